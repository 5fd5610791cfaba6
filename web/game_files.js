// Fetching the page's files: bounded in size and in time, so that a huge file
// or a server that stops answering ends in a message rather than a full memory
// or a bar stuck at 100 %; and the packs of pictures and sounds that
// tools/web_pack.js makes, inflated with the browser's DecompressionStream.
// Node.js loads it too, for the test that checks a pack gives the game's pixels.
"use strict";
var velmoraFiles = (function () {
  // Why a fetch failed: kind is "http", "network", "stalled", "slow" or
  // "too-large"; the message says it in words for the page.
  function fault(kind, message) {
    var error = new Error(message);
    error.kind = kind;
    return error;
  }

  function sizeText(bytes) { return bytes >= 1048576 ? Math.round(bytes / 1048576) + " MiB" : bytes + " bytes"; }

  // No file the page fetches for itself comes near this: the game's code and
  // each pack are 1 MiB or so. A server that sends more, or sends without end,
  // is cut off here rather than filling the tab's memory.
  var largestDownload = 16 * 1048576;

  // The bytes at url, as a Uint8Array. Options: limit (bytes, largestDownload
  // when not given; refused by the declared length before reading, or stopped
  // at the limit while reading),
  // stallMs (no byte for this long ends it), totalMs (not done by then ends it),
  // onProgress(loaded, total) (total 0 when unknown).
  async function fetchBytes(url, options) {
    options = options || {};
    var limit = options.limit || largestDownload;
    var controller = new AbortController();
    var ended = null;  // the fault that made the page abort, if it did
    var stop = function (error) {
      if (!ended) ended = error;
      controller.abort();
    };
    var stallTimer = 0;
    var watchStall = function () {
      if (!options.stallMs) return;
      clearTimeout(stallTimer);
      stallTimer = setTimeout(function () {
        stop(fault("stalled", "nothing arrived for " + Math.round(options.stallMs / 1000) + " s"));
      }, options.stallMs);
    };
    var totalTimer = options.totalMs ? setTimeout(function () {
      stop(fault("slow", "not done after " + Math.round(options.totalMs / 1000) + " s"));
    }, options.totalMs) : 0;
    // Whatever a failed read threw, the page's own reason comes first; the
    // browser's own words for a network fault ("Failed to fetch") say no more.
    var failed = function () {
      return ended || fault("network", "the server did not answer");
    };
    watchStall();
    try {
      var response;
      try {
        response = await fetch(url, {signal: controller.signal});
      } catch (error) {
        throw failed();
      }
      if (!response.ok) {
        controller.abort();
        throw fault("http", "HTTP " + response.status + (response.statusText ? " " + response.statusText : ""));
      }
      var declared = Number(response.headers.get("Content-Length")) || 0;
      if (declared > limit) {
        controller.abort();
        throw fault("too-large", "it is " + declared + " bytes, larger than " + sizeText(limit));
      }
      // A compressed transfer declares the compressed length: no total then.
      var total = response.headers.get("Content-Encoding") ? 0 : declared;
      var loaded = 0;
      var counted = function (chunk) {
        loaded += chunk.length;
        if (loaded > limit) {
          stop(fault("too-large", "it is larger than " + sizeText(limit) + ": reading stopped there"));
          throw ended;
        }
        watchStall();
        if (options.onProgress) options.onProgress(loaded, total);
      };
      if (total > 0) {
        // A declared length the browser holds the body to, within the limit:
        // the browser reads it whole (Chromium reports a body that the page's
        // own reader finished as a failed request), and a copy is counted as
        // it comes, for the bar and the stall watch.
        var copy = response.clone();
        var whole = response.arrayBuffer();
        whole.catch(function () {});  // its failure is the count's
        try {
          await copy.body.pipeTo(new WritableStream({write: counted}));
          return new Uint8Array(await whole);
        } catch (error) {
          throw failed();
        }
      }
      // No length to hold it to: read by the page itself, a chunk at a time,
      // so that nothing is taken from the network past the limit. A copy read
      // whole beside the count would take the body as fast as it came,
      // however far a busy machine had let the count fall behind.
      var reader = response.body.getReader();
      var chunks = [];
      try {
        for (;;) {
          var part = await reader.read();
          if (part.done) break;
          counted(part.value);
          chunks.push(part.value);
        }
      } catch (error) {
        reader.cancel().catch(function () {});
        throw failed();
      }
      return joined(chunks, loaded);
    } finally {
      clearTimeout(stallTimer);
      clearTimeout(totalTimer);
    }
  }

  function joined(chunks, length) {
    var bytes = new Uint8Array(length);
    var at = 0;
    chunks.forEach(function (chunk) {
      bytes.set(chunk, at);
      at += chunk.length;
    });
    return bytes;
  }

  // Compressed bytes go into the inflater this many at a time. The browser's
  // inflater gives out all it makes of a piece before it takes the next, and
  // deflate packs up to about 1,030 bytes into one: a piece of 8 KiB is at
  // most 8.5 MiB inflated and waiting. A Blob's stream comes in pieces of up
  // to 2 MiB in Chromium, 2 GiB of a gzip bomb's zeros before the limit
  // below is counted once.
  var inflatePiece = 8192;

  // gzip-compressed bytes inflated, at most limit bytes of them. Bytes that
  // do not start as gzip does were inflated on the way already (a server that
  // sends .gz files with Content-Encoding: gzip), and come back as they are.
  async function inflate(bytes, limit) {
    if (bytes[0] !== 0x1f || bytes[1] !== 0x8b) {
      if (bytes.length > limit) throw new Error("it is more than " + sizeText(limit));
      return bytes;
    }
    var inflater = new DecompressionStream("gzip");
    var writer = inflater.writable.getWriter();
    var reader = inflater.readable.getReader();
    // Each piece is handed over once the inflater has taken the last, which
    // is once what it made of that one has been read below.
    var feeding = (async function () {
      for (var at = 0; at < bytes.length; at += inflatePiece) {
        await writer.ready;
        await writer.write(bytes.subarray(at, at + inflatePiece));
      }
      await writer.close();
    })();
    feeding.catch(function () {});  // a damaged stream fails the reading too
    var chunks = [];
    var length = 0;
    for (;;) {
      var part = await reader.read();
      if (part.done) break;
      length += part.value.length;
      if (length > limit) {
        reader.cancel().catch(function () {});
        throw new Error("it inflates to more than " + sizeText(limit));
      }
      chunks.push(part.value);
    }
    await feeding;
    return joined(chunks, length);
  }

  // An uncompressed Targa whose pixel bytes were stored less a neighbour's
  // (the row above, or the pixel to the left): the neighbours added back in
  // order, so each addition reads a byte already restored.
  function restoreTarga(bytes, form) {
    if (bytes.length < 18) throw new Error("a picture shorter than its header");
    var start = 18 + bytes[0];
    var pixelBytes = bytes[16] / 8;
    var rowBytes = (bytes[12] | (bytes[13] << 8)) * pixelBytes;
    if (start > bytes.length || (pixelBytes !== 3 && pixelBytes !== 4) || rowBytes === 0)
      throw new Error("a picture with a header the pack never writes");
    var up = form === "targa-up";
    var back = up ? rowBytes : pixelBytes;
    for (var i = start; i < bytes.length; ++i) {
      var at = i - start;
      if (up ? at >= rowBytes : at % rowBytes >= pixelBytes) bytes[i] += bytes[i - back];
    }
    return bytes;
  }

  var packForms = {"bytes": true, "targa-up": true, "targa-sub": true};

  // The files of an inflated pack: [{name, bytes}], in the pack's order.
  function unpack(bytes) {
    var at = 0;
    var line = function () {
      var end = bytes.indexOf(10, at);
      if (end < 0 || end - at > 200) throw new Error("damaged pack: a header line is missing at byte " + at);
      var text = new TextDecoder().decode(bytes.subarray(at, end));
      at = end + 1;
      return text;
    };
    if (line() !== "velmora-pack 1") throw new Error("not a pack of this game's files");
    var files = [];
    var names = {};
    while (at < bytes.length) {
      var entryAt = at;
      var fields = line().split(" ");
      // A length is written in plain decimal digits, as tools/web_pack.js
      // writes it: never empty, signed, spaced, hex or in exponent form.
      var length = /^(0|[1-9][0-9]{0,9})$/.test(fields[2]) ? Number(fields[2]) : -1;
      if (fields.length !== 3 || !/^[a-z]+\/[a-z0-9_]+\.[a-z]+$/.test(fields[0]) || !packForms[fields[1]] ||
          length < 0 || length > bytes.length - at)
        throw new Error("damaged pack: the entry at byte " + entryAt + " does not hold together");
      // Two files of one name: which one the game should read is unknown.
      if (Object.prototype.hasOwnProperty.call(names, fields[0]))
        throw new Error("damaged pack: " + fields[0] + " is in it twice");
      names[fields[0]] = true;
      var content = bytes.slice(at, at + length);
      at += length;
      files.push({name: fields[0], bytes: fields[1] === "bytes" ? content : restoreTarga(content, fields[1])});
    }
    return files;
  }

  // The game's pictures inflate to about 8 MiB; no pack of its files needs more.
  var largestInflatedPack = 64 * 1048576;

  // A gzip-compressed file fetched and inflated (options as for fetchBytes),
  // or a pack, unpacked too. Whatever went wrong is said with the file's name,
  // for the page's line about it.
  async function fetchInflated(url, options) {
    try {
      return await inflate(await fetchBytes(url, options), largestInflatedPack);
    } catch (error) {
      throw named(url, error);
    }
  }

  async function fetchPack(url, options) {
    var bytes = await fetchInflated(url, options);
    try {
      return unpack(bytes);
    } catch (error) {
      throw named(url, error);
    }
  }

  function named(url, error) {
    var file = url.split(/[?#]/)[0].split("/").pop();
    var renamed = new Error(file + ": " + error.message);
    renamed.kind = error.kind;
    return renamed;
  }

  return {fetchBytes: fetchBytes, inflate: inflate, unpack: unpack, fetchInflated: fetchInflated, fetchPack: fetchPack};
})();
if (typeof module === "object" && module.exports) module.exports = velmoraFiles;
