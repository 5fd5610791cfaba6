// Velmora's service worker: keeps the game's files so that it starts and
// plays without a network once it has been visited. tools/web.sh fills in the
// build's name and its files; each build keeps its files in its own cache, and
// the worker of a newer build deletes the older. The page's scripts, code,
// pictures and sounds are named after their contents, so whatever cache
// answers for one of those names gives that build's bytes.
'use strict';
const version = '@VERSION@';
const cacheName = 'velmora-' + version;
const files = [@FILES@];
// The names that stay the same from build to build: the page itself, its
// manifest and icons.
const plainNames = ['./', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  // From the server, never from the browser's HTTP cache, which may still
  // hold the page of an older build under the same name. All or nothing: a
  // build whose files cannot all be fetched is not installed.
  const requests = plainNames.map((name) => new Request(name, {cache: 'reload'})).concat(files);
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(requests)));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) =>
    Promise.all(names.filter((name) => name.startsWith('velmora-') && name !== cacheName)
      .map((name) => caches.delete(name)))));
});

// The build's own files come from its cache, the network serves the rest; the
// page, whatever its address asks (?play=...), is this build's page. A newer
// worker waits until no page of this build is open (it does not skip
// waiting), so one page never mixes the files of two builds.
const pagePath = new URL(self.registration.scope).pathname;

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  const path = new URL(event.request.url).pathname;
  const kept = path === pagePath || path === pagePath + 'index.html' ? './' : event.request;
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(kept, {ignoreSearch: true}))
    .then((found) => found || fetch(event.request)));
});
