// The service worker's own logic, run under Node.js with a site's caches in
// memory: its activation deletes only the older caches of its own scope (a
// copy of the game in another folder of the same site keeps its own), and it
// answers nothing of another site from its cache; it takes over from the
// older build only when a page asks it to.
//   node service_worker_check.js --worker web/service_worker.js
'use strict';
const fs = require('fs');
const vm = require('vm');
const {checker, option} = require('./harness');

// A worker at scope on a site whose caches hold `held` (name -> request URLs).
function startWorker(scope, held) {
    const stored = new Map(Object.entries(held).map(([name, urls]) => [name, urls.map((url) => ({url}))]));
    const listeners = {};
    const caches = {
        keys: async () => [...stored.keys()],
        delete: async (name) => stored.delete(name),
        open: async (name) => {
            if (!stored.has(name)) stored.set(name, []);
            return {keys: async () => stored.get(name), match: async () => 'from the cache'};
        },
    };
    const self = {registration: {scope}, addEventListener: (kind, listener) => (listeners[kind] = listener),
                  skipWaiting: () => (self.skipped += 1), skipped: 0};
    const source = fs.readFileSync(option('--worker'), 'utf8').replace('@VERSION@', 'new').replace('@FILES@', '');
    vm.runInNewContext(source, {self, caches, URL, Request: class {}, fetch: async () => 'from the network'});
    return {listeners, stored, self};
}

async function main() {
    const {check, failures} = checker();
    const beta = 'https://games.example/beta/', stable = 'https://games.example/';
    const {listeners, stored, self} = startWorker(beta, {
        [`velmora ${beta} old`]: [beta],
        [`velmora ${stable} old`]: [stable],
        'velmora-0123': [beta, beta + 'velmora.0123.js'],  // a build before caches named their scope
        'velmora-4567': [stable, stable + 'velmora.4567.js'],
        'another game': [beta],
    });
    let done;
    listeners.activate({waitUntil: (promise) => (done = promise)});
    await done;
    const left = [...stored.keys()].sort();
    check(JSON.stringify(left) === JSON.stringify(['another game', `velmora ${stable} old`, 'velmora-4567']),
          `activation deletes this copy's older caches only: ${JSON.stringify(left)} left`);

    const answers = [];
    for (const url of [beta + '?play=bug.rec', 'https://elsewhere.example/beta/?play=bug.rec']) {
        let answer = 'not answered: the browser fetches it';
        listeners.fetch({request: {method: 'GET', url}, respondWith: (promise) => (answer = promise)});
        answers.push(await answer);
    }
    check(answers[0] === 'from the cache', `this copy's page comes from its cache: ${answers[0]}`);
    check(answers[1] === 'not answered: the browser fetches it',
          `another site's address with the same path is not answered from the cache: ${answers[1]}`);

    const asked = [];
    for (const message of ['hello', {take: 'over'}, 'take over']) {
        listeners.message({data: message});
        asked.push(self.skipped);
    }
    check(JSON.stringify(asked) === '[0,0,1]', `only a page's "take over" makes it skip waiting: ${asked}`);
    if (failures.length > 0) process.exit(1);
}

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
