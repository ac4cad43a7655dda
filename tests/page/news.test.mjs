// The news flow against the store's rules: what the page shows, what it
// stores and what it leaves alone.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { fileURLToPath } from 'node:url';
import path from 'node:path';
import { launch, open_editor, close_editor, reopen, settle, deliver, news_messages, take } from './editor.mjs';
import { news_store_model } from './news_store_model.mjs';

let browser;
let own;   // this version's revision token
before(async () => {
  browser = await launch();
  const here = path.dirname(fileURLToPath(import.meta.url));
  const cmake = await readFile(path.join(here, '../../CMakeLists.txt'), 'utf8');
  const [major, minor, patch] = /project\(skarrow VERSION (\d+)\.(\d+)\.(\d+)/.exec(cmake).slice(1).map(Number);
  own = ((major << 16) | (minor << 8) | patch).toString(16).padStart(8, '0');
});
after(async () => { await browser.close(); });

const own_title = 'A sharper, friendlier editor';
const older_news = '00000100 {"entries":[{"version":"0.1.0","title":"First light","items":[]}]}';
const newer_news = 'ff000000 {"entries":[{"version":"255.0.0","date":"2031-01-01","title":"Far future","items":["Everything"]}]}';
const older_latest = '00000100 {"version":"0.1.0"}';
const newer_latest = 'ff000000 {"version":"255.0.0"}';
const sid = (read, token = own, extra = '') => `${token} {"read":"${read}"${extra}}`;

async function view(editor) {
  return editor.page.evaluate(() => {
    const note = document.getElementById('newer');
    return {
      dot: !document.getElementById('news-dot').hidden,
      note: note.hidden ? null : note.textContent,
      titles: [...document.querySelectorAll('#news-list h3')].map((h) => h.textContent),
    };
  });
}

function parse(text) {
  assert.match(text, /^[0-9a-f]{8} /);
  return { token: text.slice(0, 8), data: JSON.parse(text.slice(9)) };
}

function assert_own_news(text) {
  const { token, data } = parse(text);
  assert.equal(token, own);
  assert.equal(data.entries[0].title, own_title);
}

function assert_own_latest(text) {
  const { token, data } = parse(text);
  assert.equal(token, own);
  assert.match(data.version, /^\d+\.\d+\.\d+$/);
}

async function open_panel(editor) {
  await editor.page.locator('#news-button').click();
  await settle(editor);
}

test('opening the editor: what the store holds decides what is shown and stored', async () => {
  const cases = [
    { name: 'nothing stored', files: {},
      writes: [['news', 'sync'], ['latest/skarrow', 'sync']], ours: true, dot: true },
    { name: 'empty files', files: { system: '', news: '', 'latest/skarrow': '' },
      writes: [['news', 'sync'], ['latest/skarrow', 'sync']], ours: true, dot: true },
    { name: 'an older version ran', files: { system: sid('00000100'), news: older_news, 'latest/skarrow': older_latest },
      writes: [['news', 'sync'], ['latest/skarrow', 'sync']], ours: true, dot: true },
    { name: 'an older text that cannot be read', files: { news: '00000100 {"entries":', 'latest/skarrow': '00000100 ?' },
      writes: [['news', 'sync'], ['latest/skarrow', 'sync']], ours: true, dot: true },
    { name: 'damaged texts', files: { news: 'garbage!!!', 'latest/skarrow': 'not a revision' },
      writes: [['news', 'sync'], ['latest/skarrow', 'sync']], ours: true, dot: true },
    { name: 'texts too short for a revision', files: { news: 'abc', 'latest/skarrow': 'zz' },
      writes: [['news', 'force'], ['latest/skarrow', 'force']], ours: true, dot: true },
    { name: 'this version ran and its news was read', files: { system: 'SAME', news: 'SAME', 'latest/skarrow': 'SAME' },
      writes: [], titles: [own_title], dot: false },
    { name: 'a newer version ran', files: { system: sid('00000100'), news: newer_news, 'latest/skarrow': newer_latest },
      writes: [], titles: ['Far future'], note: 'Newer version 255.0.0 installed', dot: true },
    { name: 'a newer version ran and its news was read', files: { system: sid('ff000000', 'ff000000'), news: newer_news, 'latest/skarrow': newer_latest },
      writes: [], titles: ['Far future'], note: 'Newer version 255.0.0 installed', dot: false },
    { name: 'a newer version wrote what this one cannot read',
      files: { news: 'ff000000 \u0001\u0002 binary', 'latest/skarrow': 'ff000000 [1,2' },
      writes: [], titles: [own_title], note: 'Newer version installed', dot: true },
  ];
  const editor = await open_editor(browser);
  for (const c of cases) {
    const files = { ...c.files };
    // "SAME": exactly what this version writes.
    if (files.news === 'SAME') {
      const first = news_store_model();
      await reopen(editor, { store: first });
      files.news = first.files.news;
      files['latest/skarrow'] = first.files['latest/skarrow'];
      files.system = sid(own);
    }
    const store = news_store_model(files);
    await reopen(editor, { store });
    assert.deepEqual(store.writes, c.writes, c.name);
    if (c.ours) {
      assert_own_news(store.files.news);
      assert_own_latest(store.files['latest/skarrow']);
    } else {
      assert.deepEqual(store.files, files, c.name);
    }
    const v = await view(editor);
    assert.deepEqual(v, { dot: c.dot, note: c.note ?? null, titles: c.titles ?? [own_title] }, c.name);
    assert.deepEqual(editor.problems, [], c.name);
  }
  await close_editor(editor);
});

test('the page opens the exchange with init and uses the "-" form for a missing text', async () => {
  const editor = await open_editor(browser);
  const sent = news_messages(editor);
  assert.equal(sent[0], 'm nuvixV1 init skarrow');
  assert.ok(sent[1].startsWith('m nuvixV1 syncNews - ' + own + ' '), sent[1]);
  assert.ok(sent[2].startsWith('m nuvixV1 syncLatest skarrow - ' + own + ' '), sent[2]);
  assert.equal(sent.length, 3);
  assert.deepEqual(editor.sent.slice(0, 2), ['g', 'm nuvixV1 init skarrow']);
  // Stored texts are plain ASCII, so their bytes never depend on a conversion.
  assert.match(editor.store.files.news, /^[\x20-\x7e]*$/);
  await close_editor(editor);
});

test('a conflict is settled with the text the store holds now', async () => {
  const cases = [
    // what another editor stores just before our update, and the outcome
    { name: 'older news', file: 'news', sneak: older_news, result: 'ours', syncs: 2 },
    { name: 'newer news', file: 'news', sneak: newer_news, result: 'theirs', syncs: 1, titles: ['Far future'] },
    { name: 'older latest', file: 'latest/skarrow', sneak: older_latest, result: 'ours', syncs: 2 },
    { name: 'newer latest', file: 'latest/skarrow', sneak: newer_latest, result: 'theirs', syncs: 1,
      note: 'Newer version 255.0.0 installed' },
    { name: 'damaged news', file: 'news', sneak: 'xy', result: 'ours', syncs: 1, force: 1 },
  ];
  const editor = await open_editor(browser);
  for (const c of cases) {
    const store = news_store_model();
    let sneaked = false;
    store.before_sync = (file) => {
      if (file !== c.file || sneaked) return;
      sneaked = true;
      store.files[file] = c.sneak;
    };
    await reopen(editor, { store });
    const word = c.file === 'news' ? 'syncNews ' : 'syncLatest ';
    const sent = news_messages(editor);
    assert.equal(sent.filter((m) => m.startsWith('m nuvixV1 ' + word)).length, c.syncs, c.name);
    assert.equal(sent.filter((m) => m.startsWith('m nuvixV1 ' + word.trim() + 'Force ')).length, c.force ?? 0, c.name);
    if (c.result === 'ours') {
      (c.file === 'news' ? assert_own_news : assert_own_latest)(store.files[c.file]);
    } else {
      assert.equal(store.files[c.file], c.sneak, c.name);
    }
    const v = await view(editor);
    if (c.titles) assert.deepEqual(v.titles, c.titles, c.name);
    assert.equal(v.note, c.note ?? null, c.name);
  }
  await close_editor(editor);
});

test('an editor that keeps losing conflicts gives up', async () => {
  const store = news_store_model();
  let round = 0;
  // Another writer stores a different older text before every update.
  store.before_sync = (file) => {
    if (file === 'news') store.files.news = `0000010${round++ % 10} {"entries":[]}`;
  };
  const editor = await open_editor(browser, { store });
  // The answers to the first init only (the page reads the store again now and then).
  const sent = news_messages(editor);
  const next_init = sent.indexOf('m nuvixV1 init skarrow', 1);
  const syncs = sent.slice(0, next_init < 0 ? undefined : next_init)
    .filter((m) => m.startsWith('m nuvixV1 syncNews '));
  assert.ok(syncs.length >= 2 && syncs.length <= 5, String(syncs.length));
  assert.deepEqual((await view(editor)).titles, [own_title]);
  assert.deepEqual(editor.problems, []);
  await close_editor(editor);
});

test('reading the news clears the dot in every open editor and every later one', async () => {
  const store = news_store_model({ system: sid('00000100', own, ',"theme":"ember"') });
  const a = await open_editor(browser, { store });
  const b = await open_editor(browser, { store });
  assert.equal((await view(a)).dot, true);
  assert.equal((await view(b)).dot, true);
  take(a);
  await open_panel(a);
  assert.equal((await view(a)).dot, false);
  assert.equal(await a.page.locator('#news-button').getAttribute('aria-expanded'), 'true');
  // The marker replaces the read revision and keeps what else the text held.
  assert.deepEqual(parse(store.files.system), { token: own, data: { read: own, theme: 'ember' } });
  assert.ok(a.sent.includes('m nuvixV1 getNews '), a.sent.join(' | '));
  // The open editor notices when it comes to the front.
  await b.page.evaluate(() => window.dispatchEvent(new Event('focus')));
  await settle(b);
  assert.equal((await view(b)).dot, false);
  const c = await open_editor(browser, { store });
  assert.equal((await view(c)).dot, false);
  // Escape closes the list; reading again writes nothing new.
  const writes = store.writes.length;
  await a.page.keyboard.press('Escape');
  assert.equal(await a.page.locator('#news').isHidden(), true);
  await open_panel(a);
  assert.equal(store.writes.length, writes);
  for (const e of [a, b, c]) {
    assert.deepEqual(e.problems, []);
    await close_editor(e);
  }
});

test('the read marker is written only over a text the page could read', async () => {
  const cases = [
    // system text before, system text after reading (null: left as it was)
    { before: undefined, after: { token: own, data: { read: own } } },
    { before: 'oops', after: { token: own, data: { read: own } } },               // no version wrote it
    { before: `${own} {"read":`, after: null },                                  // cut short
    { before: 'ff000000 <xml/>', after: null },                                   // a newer format
    { before: sid('00000100', 'ff000000', ',"more":[1]'),
      after: { token: 'ff000000', data: { read: own, more: [1] } } },            // a newer version's, readable
    { before: sid('not-hex!'), after: { token: own, data: { read: own } } },     // a marker that means nothing
  ];
  const editor = await open_editor(browser);
  for (const c of cases) {
    const files = c.before === undefined ? {} : { system: c.before };
    const store = news_store_model(files);
    await reopen(editor, { store });
    assert.equal((await view(editor)).dot, true, String(c.before));
    await open_panel(editor);
    assert.equal((await view(editor)).dot, false, String(c.before));
    if (c.after) assert.deepEqual(parse(store.files.system), c.after, String(c.before));
    else assert.equal(store.files.system, c.before);
  }
  await close_editor(editor);
});

test('the list shows what it can of a stored text', async () => {
  const entries = [
    { title: 5 }, null, 'text', { version: '9.0.0', title: 'Kept', items: ['first', 7, '', 'second'] },
    { title: '<img src=x onerror="window.__hit=1">', items: 'not a list' },
  ];
  const store = news_store_model({ news: 'ff000000 ' + JSON.stringify({ entries, extra: true }) });
  const editor = await open_editor(browser, { store });
  await open_panel(editor);
  const list = await editor.page.locator('#news-list').evaluate((l) => ({
    titles: [...l.querySelectorAll('h3')].map((h) => h.textContent),
    items: [...l.querySelectorAll('ul li')].map((i) => i.textContent),
    images: l.querySelectorAll('img').length,
  }));
  assert.deepEqual(list, { titles: ['Kept', '<img src=x onerror="window.__hit=1">'], items: ['first', 'second'], images: 0 });
  assert.equal(store.writes.filter(([f]) => f === 'news').length, 0);
  await close_editor(editor);
});

test('a store that cannot be read, and replies that make no sense, break nothing', async () => {
  const store = news_store_model();
  store.fail_reads = true;
  const editor = await open_editor(browser, { store });
  assert.deepEqual(await view(editor), { dot: false, note: null, titles: [own_title] });
  await open_panel(editor);
  assert.deepEqual(store.writes, [], 'nothing is written over texts never read');
  await deliver(editor,
    'm nuvixV1 initNews',                                   // no space after the word
    'm nuvixV1 syncNewsConflict',
    'm nuvixV1 getNews {"entries":[]}',
    'm nuvixV1 getNews ' + '\u0000\ud800'.repeat(3),
    'm nuvixV2 initDone ',
    'm nuvixV1 initLatestx ',
    'm ' + 'nuvixV1 '.repeat(1000),
    'm nuvixV1 initDoneNow',
  );
  assert.deepEqual(store.writes, []);
  assert.deepEqual((await view(editor)).titles, [own_title]);
  // The store comes back: the next init is answered and acted on, and the
  // list being open counts as read.
  store.fail_reads = false;
  await editor.page.evaluate(() => document.dispatchEvent(new Event('visibilitychange')));
  await settle(editor);
  assert.deepEqual(store.writes, [['news', 'sync'], ['system', 'force'], ['latest/skarrow', 'sync']]);
  assert.equal((await view(editor)).dot, false);
  assert.deepEqual(editor.problems, []);
  await close_editor(editor);
});
