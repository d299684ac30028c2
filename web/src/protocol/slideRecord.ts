// The slide-show record that application data of the presentation program carries.
import { ByteReader } from "./bytes";

export const NO_SLIDE = 0xffff;

export interface SlideRecord {
  // 0-based; equal to totalSlides on the show's end screen, NO_SLIDE when there is no position.
  currentSlide: number;
  totalSlides: number;
  running: boolean;
  showName: string;
  notes: string;
  // One per slide; fewer than totalSlides when the server had to cut a long record.
  titles: string[];
}

export function decodeSlideRecord(payload: Uint8Array): SlideRecord {
  const r = new ByteReader(payload);
  const currentSlide = r.u16();
  const totalSlides = r.u16();
  const running = r.u8() !== 0;
  const showName = r.utf16z();
  const notes = r.utf16z();
  const titles: string[] = [];
  while (titles.length < totalSlides && r.remaining >= 2) titles.push(r.utf16z());
  return { currentSlide, totalSlides, running, showName, notes, titles };
}
