// The search of an exported problem page. It finds what the program's Find finds: a pattern
// is matched against the whole text, "*" (and "%") stand for any run of characters, "_" for
// one character, and letters are compared after the program's own fold (case and accents
// left out, in every script), which the page carries as a table the program wrote from it.
(function () {
  'use strict';
  var SHOWN = 50; // problems put on the page at a time

  // The fold of every code point: BMP in a typed array, the rest in a map.
  var bmp = new Uint32Array(65536);
  var astral = new Map();
  (function build(runs) {
    for (var c = 0; c < 65536; c++) bmp[c] = c;
    for (c = 65; c <= 90; c++) bmp[c] = c + 32;
    for (var i = 0; i < runs.length; i += 4) {
      for (var k = 0; k < runs[i + 1]; k++) {
        var code = runs[i] + k, to = runs[i + 2] + (runs[i + 3] ? k : 0);
        if (code < 65536) bmp[code] = to; else astral.set(code, to);
      }
    }
  })(window.VANTOR_FOLDS);

  var nonAscii = /[^\0-\x7f]/;

  // The text as the comparison sees it: each character folded, accents (which fold to 0)
  // left out.
  function fold(text) {
    if (!nonAscii.test(text)) return text.toLowerCase();
    var out = [], parts = [];
    for (var i = 0; i < text.length; i++) {
      var c = text.charCodeAt(i);
      if (c >= 0xd800 && c < 0xdc00 && i + 1 < text.length) {
        var low = text.charCodeAt(i + 1);
        if (low >= 0xdc00 && low < 0xe000) {
          c = 0x10000 + ((c - 0xd800) << 10) + (low - 0xdc00);
          i++;
        }
      }
      var f = c < 65536 ? bmp[c] : (astral.has(c) ? astral.get(c) : c);
      if (f === 0 && c !== 0) continue;
      if (f < 65536) out.push(f); else out.push(0xd800 + ((f - 0x10000) >> 10), 0xdc00 + ((f - 0x10000) & 1023));
      if (out.length >= 8192) { parts.push(String.fromCharCode.apply(null, out)); out = []; }
    }
    parts.push(String.fromCharCode.apply(null, out));
    return parts.join('');
  }

  // A pattern as pieces between its "%" runs, each piece a list of folded characters where
  // null stands for "_".
  function compile(pattern) {
    var pieces = [[]], text = pattern.replace(/\*/g, '%');
    for (var ch of text) {
      if (ch === '%') { if (pieces[pieces.length - 1].length || pieces.length === 1) pieces.push([]); continue; }
      if (ch === '_') { pieces[pieces.length - 1].push(null); continue; }
      var f = fold(ch);
      if (f !== '') pieces[pieces.length - 1].push(f);
    }
    // "%" runs join: an empty piece between two of them says nothing.
    var out = [pieces[0]];
    for (var i = 1; i < pieces.length; i++) if (pieces[i].length || i === pieces.length - 1) out.push(pieces[i]);
    return { pieces: out.map(function (p) { return { chars: p, lead: leadOf(p) }; }) };
  }

  // The literal characters a piece begins with, to find its candidates by indexOf.
  function leadOf(chars) {
    var s = '';
    for (var i = 0; i < chars.length && chars[i] !== null; i++) s += chars[i];
    return s;
  }

  function nextChar(t, i) {
    var c = t.charCodeAt(i);
    return c >= 0xd800 && c < 0xdc00 && i + 1 < t.length ? i + 2 : i + 1;
  }

  // Where the piece ends when it is laid on t at i, or -1.
  function matchAt(t, i, chars) {
    for (var k = 0; k < chars.length; k++) {
      if (i >= t.length) return -1;
      if (chars[k] === null) { i = nextChar(t, i); continue; }
      if (!t.startsWith(chars[k], i)) return -1;
      i += chars[k].length;
    }
    return i;
  }

  // The first place from i on where the piece lies, or -1.
  function findFrom(t, i, piece) {
    while (i <= t.length) {
      if (piece.lead) { i = t.indexOf(piece.lead, i); if (i < 0) return -1; }
      var end = matchAt(t, i, piece.chars);
      if (end >= 0) return end;
      if (i >= t.length) return -1;
      i = nextChar(t, i);
    }
    return -1;
  }

  // Whether the folded text t matches: the first piece at the start, the last at the end, the
  // ones between each at its first place after the one before (the first place never hides a
  // match, as each piece has a fixed length).
  function matches(t, compiled) {
    var pieces = compiled.pieces, last = pieces.length - 1;
    var at = matchAt(t, 0, pieces[0].chars);
    if (at < 0) return false;
    if (last === 0) return at === t.length;
    for (var k = 1; k < last; k++) {
      at = findFrom(t, at, pieces[k]);
      if (at < 0) return false;
    }
    var tail = pieces[last].chars;
    if (!tail.length) return true;
    // The last piece takes as many characters as it has entries, counted from the end.
    var start = t.length;
    for (var n = 0; n < tail.length; n++) {
      if (start <= at) return false;
      var c = t.charCodeAt(start - 1);
      start -= c >= 0xdc00 && c < 0xe000 && start - 2 >= at && t.charCodeAt(start - 2) >= 0xd800 && t.charCodeAt(start - 2) < 0xdc00 ? 2 : 1;
    }
    return matchAt(t, start, tail) === t.length;
  }

  window.VantorSearch = { fold: fold, compile: compile, matches: matches };

  var list = document.getElementById('problems');
  var linked = document.getElementById('linked');
  var status = document.getElementById('status');
  var data = document.getElementById('vantor-problems');
  var boxes = [document.getElementById('problem'), document.getElementById('solution')];
  if (!list || !data || !boxes[0]) return;

  // Each problem: its key, its two texts as stored (null for NULL) and folded. A NULL field
  // matches no pattern, as in the database.
  var entries = JSON.parse(data.textContent).map(function (row) {
    return { id: row[0], texts: [row[1], row[2]],
             folded: [row[1] === null ? null : fold(row[1]), row[2] === null ? null : fold(row[2])] };
  });
  data.remove();
  var byId = new Map(entries.map(function (e) { return [e.id, e]; }));

  function textBlock(cls, text) {
    var div = document.createElement('div');
    div.className = 'text ' + cls;
    // Text, never markup: a stored "<script>" shows as written.
    div.textContent = text === null ? '' : text;
    return div;
  }

  function heading(text) {
    var h = document.createElement('h2');
    h.textContent = text;
    return h;
  }

  function article(e, withId) {
    var a = document.createElement('article');
    if (withId) a.id = 'p' + e.id;
    var link = document.createElement('a');
    link.className = 'link';
    link.href = '#p' + e.id;
    link.title = 'A link to this problem';
    link.textContent = '#' + e.id;
    a.append(link, heading('Problem'), textBlock('problem', e.texts[0]),
             heading('Solution'), textBlock('solution', e.texts[1]));
    return a;
  }

  // The problems listed now (all, or those found), and how many of them are on the page; the
  // rest come fifty at a time.
  var shownList = entries, shownCount = 0;

  function showMore(upTo) {
    var more = list.querySelector('.more');
    if (more) more.remove();
    var end = Math.min(shownList.length, Math.max(upTo || 0, shownCount + SHOWN));
    var part = document.createDocumentFragment();
    for (; shownCount < end; shownCount++) part.appendChild(article(shownList[shownCount], true));
    if (shownCount < shownList.length) {
      var button = document.createElement('button');
      button.type = 'button';
      button.className = 'more';
      button.textContent = 'Show ' + Math.min(SHOWN, shownList.length - shownCount) + ' more of ' +
        (shownList.length - shownCount);
      button.addEventListener('click', function () { showMore(); });
      part.appendChild(button);
    }
    list.appendChild(part);
  }

  function show(found) {
    shownList = found;
    shownCount = 0;
    list.textContent = '';
    if (!found.length) {
      var none = document.createElement('p');
      none.textContent = found === entries ? 'This title has no problems.' : 'No matches were found';
      list.appendChild(none);
    }
    showMore();
  }

  function search() {
    var patterns = boxes.map(function (b) { return b.value === '' ? null : compile(b.value); });
    if (!patterns[0] && !patterns[1]) {
      status.textContent = '';
      document.body.removeAttribute('data-matches');
      show(entries);
      return;
    }
    var found = entries.filter(function (e) {
      for (var f = 0; f < 2; f++) {
        if (patterns[f] && (e.folded[f] === null || !matches(e.folded[f], patterns[f]))) return false;
      }
      return true;
    });
    status.textContent = found.length ? found.length + ' of ' + entries.length +
      (entries.length === 1 ? ' problem matches' : ' problems match') : 'No matches were found';
    document.body.setAttribute('data-matches', String(found.length));
    show(found);
  }

  // A link to a problem shows it first, above the list, wherever it stands in the list.
  function showLinked() {
    linked.textContent = '';
    var m = /^#p(\d+)$/.exec(location.hash);
    var e = m && byId.get(Number(m[1]));
    if (!e) { linked.hidden = true; return; }
    var index = shownList.indexOf(e);
    if (index >= 0 && index < shownCount) {
      linked.hidden = true;
      document.getElementById('p' + e.id).scrollIntoView();
      return;
    }
    linked.appendChild(article(e, false));
    linked.hidden = false;
    linked.scrollIntoView();
  }

  boxes.forEach(function (b) { b.addEventListener('input', search); });
  window.addEventListener('hashchange', showLinked);
  // Printing prints every problem listed, not only those on the page so far.
  window.addEventListener('beforeprint', function () { showMore(shownList.length); });
  search();
  showLinked();
  document.body.setAttribute('data-ready', '1');
  document.body.setAttribute('data-indexed', '1');
})();
