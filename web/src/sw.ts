/// <reference lib="webworker" />
// The service worker: keeps the page's files so that it opens without a network once loaded.
// The build fills in the file list and a version drawn from their contents.
declare const PRECACHE: string[];
declare const VERSION: string;
const worker = self as unknown as ServiceWorkerGlobalScope;
const CACHE = `quillant-${VERSION}`;

worker.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(PRECACHE)).then(() => worker.skipWaiting()));
});

worker.addEventListener("activate", (event) => {
  event.waitUntil(
    caches
      .keys()
      .then((keys) => Promise.all(keys.filter((key) => key.startsWith("quillant-") && key !== CACHE).map((key) => caches.delete(key))))
      .then(() => worker.clients.claim()),
  );
});

// The page's own files come from the cache (ignoring ?bridge and the like); anything else, such
// as the development bridge, goes to the network.
worker.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  event.respondWith(
    caches.match(event.request, { ignoreSearch: true }).then((hit) => hit ?? fetch(event.request)),
  );
});
