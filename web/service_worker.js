// Velmora's service worker: keeps the game's files so that it starts and
// plays without a network once it has been visited. tools/web.sh fills in the
// build's version (a hash of its files) and their names; each build keeps its
// files in its own cache, and the worker of a newer build deletes the older.
'use strict';
const version = '@VERSION@';
const cacheName = 'velmora-' + version;
const files = [@FILES@];

self.addEventListener('install', (event) => {
  // All or nothing: a build whose files cannot all be fetched is not installed.
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(['./', ...files])));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) =>
    Promise.all(names.filter((name) => name.startsWith('velmora-') && name !== cacheName)
      .map((name) => caches.delete(name)))));
});

// The build's own files come from its cache, the network serves the rest. A
// newer worker waits until no page of this build is open (it does not skip
// waiting), so one page never mixes the files of two builds.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(event.request, {ignoreSearch: true}))
    .then((kept) => kept || fetch(event.request)));
});
