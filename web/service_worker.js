// Velmora's service worker: keeps the game's files so that it starts and
// plays without a network once it has been visited. tools/web.sh fills in the
// build's name and its files; each build keeps its files in its own cache, and
// the worker of a newer build deletes the older ones of its own scope only: two
// copies of the game on one site (/stable/ and /beta/) keep each other's
// offline play. The page's scripts, code,
// pictures and sounds are named after their contents, so whatever cache
// answers for one of those names gives that build's bytes.
'use strict';
const version = '@VERSION@';
// The scope is the copy's folder on its site: its caches are named after it.
const scope = new URL(self.registration.scope);
const scopeCaches = 'velmora ' + scope.href + ' ';
const cacheName = scopeCaches + version;
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

// A cache of the builds before caches were named after their scope
// ("velmora-BUILD") is this copy's when it holds this scope's own page (a
// copy in a folder below keeps its page at its own address).
function olderBuildOfThisScope(name) {
  if (!name.startsWith('velmora-')) return Promise.resolve(false);
  return caches.open(name).then((cache) => cache.keys())
    .then((requests) => requests.some((request) => request.url === scope.href));
}

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names.map((name) => {
    if (name === cacheName) return false;
    const ours = name.startsWith(scopeCaches) ? Promise.resolve(true) : olderBuildOfThisScope(name);
    return ours.then((yes) => yes && caches.delete(name));
  }))));
});

// The build's own files come from its cache, the network serves the rest; the
// page, whatever its address asks (?play=...), is this build's page. Another
// site's files are never answered from the cache, whatever their path. A newer
// worker waits until no page of this build is open, so one page never mixes
// the files of two builds, unless a page's player asks it to take over
// ("Play it" on the page's notice), and that page then reloads. A page of the
// older build left open elsewhere keeps the code it runs; a file it fetches
// later is named after its contents, so this cache or the network gives it
// those bytes or nothing.
self.addEventListener('message', (event) => {
  if (event.data === 'take over') self.skipWaiting();
});

self.addEventListener('fetch', (event) => {
  const asked = new URL(event.request.url);
  if (event.request.method !== 'GET' || asked.origin !== scope.origin) return;
  const path = asked.pathname;
  const kept = path === scope.pathname || path === scope.pathname + 'index.html' ? './' : event.request;
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(kept, {ignoreSearch: true}))
    .then((found) => found || fetch(event.request)));
});
