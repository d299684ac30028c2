// Entry point: the page, and the service worker that lets it open without a network.
import { App } from "./ui/app";

void new App().start();

if ("serviceWorker" in navigator && window.isSecureContext) {
  navigator.serviceWorker.register("./sw.js").catch(() => undefined);
}
