// The page: finds a port, runs one session at a time over it, and switches between the connect
// screen, the application list, the keypad and the slide-show view.
import { BridgePort, bridgeUrl } from "../link/bridgePort";
import { PortLink } from "../link/portLink";
import { SerialPortLike, portRequestOptions, webSerial } from "../link/serialPort";
import { Session, SessionState } from "../link/session";
import { APP_TYPE_PRESENTATION, AppEntry, PROTOCOL_VERSION } from "../protocol/messages";
import { SlideRecord, decodeSlideRecord } from "../protocol/slideRecord";
import { AppListView } from "./appListView";
import { ConnectView } from "./connectView";
import { byId } from "./dom";
import { ScreenAwake } from "./feedback";
import { Holds } from "./holds";
import { keypadView } from "./keypadView";
import { SlideView } from "./slideView";

type Screen = "connect" | "apps" | "keypad" | "slides";

export const UNSUPPORTED =
  "This browser cannot reach Bluetooth serial ports: open this page in Chrome on Android (version 138 or later), or in Chrome or Edge on a computer.";
export const INSECURE = "This page must be opened over HTTPS, or from localhost, to reach the PC.";

export class App {
  private readonly holds = new Holds();
  private readonly awake = new ScreenAwake();
  private readonly connectView = new ConnectView((choose) => void this.connect(choose));
  private readonly appList = new AppListView(
    (entry) => this.select(entry),
    () => this.session?.requestList(),
  );
  private readonly slides: SlideView;
  private readonly bridge = bridgeUrl(location);
  private remembered: SerialPortLike | null = null;
  private session: Session | null = null;
  private link: PortLink | null = null;
  private entries: AppEntry[] | null = null;
  private readonly records = new Map<number, SlideRecord>();
  private selected: AppEntry | null = null;
  private listShownOnce = false;

  constructor() {
    const sink = {
      keyDown: (code: number) => this.session?.keyDown(code),
      keyUp: (code: number) => this.session?.keyUp(code),
      listBox: (control: number, index: number, text: string) => this.session?.listBox(control, index, text) ?? false,
      button: (control: number, value: number) => this.session?.button(control, value),
    };
    this.slides = new SlideView(sink, this.holds);
    byId("connect").append(this.connectView.element);
    byId("apps").append(this.appList.element);
    byId("keypad").append(keypadView(sink, this.holds));
    byId("slides").append(this.slides.element);
    byId("disconnect").addEventListener("click", () => void this.disconnect());
    byId("back").addEventListener("click", () => {
      this.letGo();
      this.show("apps");
    });
    // Whatever takes the page away from the user lets go of what they held.
    window.addEventListener("blur", () => this.letGo());
    window.addEventListener("pagehide", () => this.letGo());
    document.addEventListener("visibilitychange", () => {
      if (document.visibilityState === "hidden") this.letGo();
    });
    this.show("connect");
  }

  async start(): Promise<void> {
    if (this.bridge) {
      this.connectView.setStatus("Development bridge: the page talks to the server on this computer.");
      return;
    }
    const serial = webSerial();
    if (!window.isSecureContext) return this.connectView.unsupported(INSECURE);
    if (!serial) return this.connectView.unsupported(UNSUPPORTED);
    this.connectView.setStatus("Not connected.");
    try {
      this.remembered = (await serial.getPorts())[0] ?? null;
    } catch {
      this.remembered = null;
    }
    this.connectView.setRemembered(this.remembered !== null);
  }

  private async connect(choose: boolean): Promise<void> {
    const port = await this.choosePort(choose);
    if (!port) return;
    this.connectView.setBusy(true);
    this.connectView.setStatus("Connecting to the PC…");
    let session: Session | null = null;
    const link = new PortLink(
      port,
      (chunk) => session?.receive(chunk),
      () => this.linkLost(link),
    );
    try {
      await link.open();
    } catch (error) {
      this.connectView.setBusy(false);
      this.connectView.setStatus(`The port could not be opened: ${(error as Error).message ?? error}`, "problem");
      return;
    }
    this.link = link;
    this.remembered = port;
    session = new Session((bytes) => link.write(bytes), {
      state: (state) => this.onState(state),
      list: (entries) => this.onList(entries),
      selected: (appId, name) => this.onSelected(appId, name),
      appData: (appId, appType, payload) => this.onAppData(appId, appType, payload),
    });
    this.session = session;
    session.start();
  }

  private async choosePort(choose: boolean): Promise<SerialPortLike | null> {
    if (this.bridge) return new BridgePort(this.bridge);
    if (!choose && this.remembered) return this.remembered;
    const serial = webSerial();
    try {
      return serial ? await serial.requestPort(portRequestOptions(/Android/i.test(navigator.userAgent))) : null;
    } catch {
      this.connectView.setStatus("No PC was chosen.");
      return null;
    }
  }

  private async disconnect(): Promise<void> {
    this.letGo();
    this.session?.disconnect();
    await this.closeLink();
  }

  private async closeLink(): Promise<void> {
    const link = this.link;
    this.link = null;
    this.session = null;
    await link?.close();
  }

  private linkLost(link: PortLink): void {
    if (this.link !== link) return;
    this.letGo();
    this.session?.linkLost();
    this.link = null;
    this.session = null;
    this.connectView.setStatus("The link to the PC was lost.", "problem");
  }

  private onState(state: SessionState): void {
    document.body.dataset.link = state.kind;
    switch (state.kind) {
      case "connecting":
        return;
      case "connected":
        this.entries = null;
        this.selected = null;
        this.records.clear();
        this.appList.render(null);
        this.show("apps");
        return;
      case "versionMismatch":
        this.connectView.setStatus(
          `The PC speaks another version of the protocol${state.serverVersion ? ` (${state.serverVersion})` : ""} than this page (${PROTOCOL_VERSION}): update Tarvo Quillant or this page so that both match.`,
          "problem",
        );
        break;
      case "noAnswer":
        this.connectView.setStatus(
          "No answer from the PC. Check that Tarvo Quillant runs there and uses the PC's incoming Bluetooth serial port.",
          "problem",
        );
        break;
      case "closedByServer":
        this.connectView.setStatus("The PC closed the connection.", "problem");
        break;
      case "ended":
        if (this.link || this.session) this.connectView.setStatus("Disconnected.");
        break;
    }
    this.awake.set(false);
    this.connectView.setBusy(false);
    this.connectView.setRemembered(this.remembered !== null && !this.bridge);
    this.show("connect");
    if (state.kind !== "ended") void this.closeLink();
  }

  private onList(entries: AppEntry[]): void {
    this.entries = entries;
    const gone = this.selected && !entries.some((e) => e.appId === this.selected?.appId);
    this.appList.render(entries, gone ? `${this.selected?.name} is no longer open on the PC.` : "");
    if (gone) {
      this.letGo();
      this.selected = null;
      this.show("apps");
    }
    if (!this.listShownOnce) {
      this.listShownOnce = true;
      performance.mark("quillant-list-shown");
    }
  }

  private select(entry: AppEntry): void {
    this.letGo();
    this.session?.select(entry.appId, entry.name);
  }

  private onSelected(appId: number, name: string): void {
    if (appId === 0) {
      this.appList.render(this.entries, "That application is no longer open on the PC.");
      this.session?.requestList();
      return;
    }
    const entry = this.entries?.find((e) => e.appId === appId);
    const presentation = entry ? entry.appType === APP_TYPE_PRESENTATION : this.records.has(appId);
    this.selected = entry ?? { appId, appType: presentation ? APP_TYPE_PRESENTATION : 0xffff, active: true, name };
    byId("selected-name").textContent = name;
    if (presentation) {
      this.slides.reset(name);
      const record = this.records.get(appId);
      if (record) this.slides.update(record);
    }
    this.show(presentation ? "slides" : "keypad");
  }

  private onAppData(appId: number, appType: number, payload: Uint8Array): void {
    if (appType !== APP_TYPE_PRESENTATION) return;
    const record = decodeSlideRecord(payload);
    this.records.set(appId, record);
    if (this.selected?.appId === appId) {
      this.slides.update(record);
      this.awake.set(this.slides.running);
    }
  }

  private letGo(): void {
    this.holds.releaseAll();
    this.slides.release();
    this.session?.releaseAll();
  }

  private show(screen: Screen): void {
    document.body.dataset.screen = screen;
    for (const id of ["connect", "apps", "keypad", "slides"]) byId(id).hidden = id !== screen;
    this.awake.set(screen === "slides" && this.slides.running);
  }
}
