// Opens the editor page in Debian's headless Chromium with a stand-in for the
// embedded browser's bridge: what the page posts reaches a stand-in native
// side here (a value store and the news store model), and the replies come
// back as the bridge's "message" events.

import { chromium } from 'playwright-core';
import assert from 'node:assert/strict';
import { mkdir } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { news_store_model } from './news_store_model.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
export const page_file = process.env.SKARROW_PAGE ?? path.join(here, '../../resources/index.html');
export const page_url = pathToFileURL(page_file).href;
export const artifacts = process.env.SKARROW_PAGE_ARTIFACTS ?? path.join(tmpdir(), 'skarrow-page-artifacts');

export const defaults = [50, 50, 50, 100, 100, 0];

export function float_hex(value) {
  const view = new DataView(new ArrayBuffer(4));
  view.setFloat32(0, value);
  return view.getUint32(0).toString(16).padStart(8, '0');
}

export function hex_float(hex) {
  const view = new DataView(new ArrayBuffer(4));
  view.setUint32(0, parseInt(hex, 16));
  return view.getFloat32(0);
}

// The native form of a value message.
export function value_message(index, value) {
  return 's ' + index.toString(16).padStart(8, '0') + ' ' + float_hex(value);
}

// One browser for a whole test file; playwright starts it with a fresh,
// temporary profile and removes it on close.
export async function launch() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: [
      '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--no-first-run', '--disable-sync',
    ],
  });
}

const bridge_script = () => {
  const listeners = new Set();
  const bridge = {
    in_flight: 0,
    deliver(texts) {
      for (const data of texts) {
        for (const listener of [...listeners]) listener({ type: 'message', data });
      }
    },
  };
  window.__bridge = bridge;
  window.chrome = {
    webview: {
      postMessage(text) {
        bridge.in_flight++;
        window.__skarrow_native(text).then((replies) => {
          bridge.deliver(replies);
          bridge.in_flight--;
        });
      },
      addEventListener(type, listener) { if (type === 'message') listeners.add(listener); },
      removeEventListener(type, listener) { listeners.delete(listener); },
    },
  };
};

// Opens one editor. `store` is shared between editors of one test; `values`
// is this editor's native value store, answered to "g".
export async function open_editor(browser, { store = news_store_model(), values = defaults,
                                             viewport = { width: 800, height: 400 }, scale = 1 } = {}) {
  const context = await browser.newContext({ viewport, deviceScaleFactor: scale });
  const page = await context.newPage();
  const editor = { page, store, values: [...values], sent: [], problems: [], requests: [] };
  page.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') editor.problems.push(m.text()); });
  page.on('pageerror', (e) => editor.problems.push(String(e)));
  page.on('request', (r) => editor.requests.push(r.url()));
  await page.exposeBinding('__skarrow_native', (_source, text) => native(editor, text));
  await page.addInitScript(bridge_script);
  await page.goto(page_url);
  await settle(editor);
  return editor;
}

// Loads the page again in the same editor window, as a new editor over the
// given store (quicker than a new window for a table of cases).
export async function reopen(editor, { store = news_store_model(), values = defaults } = {}) {
  editor.store = store;
  editor.values = [...values];
  editor.sent.length = 0;
  await editor.page.reload();
  await settle(editor);
}

// The stand-in native side: "b", "s" and "e" store the value, "g" answers
// every value, "m" goes to the news store.
function native(editor, text) {
  editor.sent.push(text);
  const m = /^[bse] ([0-9a-f]+) ([0-9a-f]+)$/.exec(text);
  if (m) {
    editor.values[parseInt(m[1], 16)] = hex_float(m[2]);
    return [];
  }
  if (text === 'g') return editor.values.map((v, i) => value_message(i, v));
  if (text.startsWith('m ')) return editor.store.handle(text.slice(2)).map((t) => 'm ' + t);
  return [];
}

// Waits until every message the page posted has been answered; the page
// answers replies at once, so nothing is left in flight after that.
export async function settle(editor) {
  await editor.page.waitForFunction(() => window.__bridge.in_flight === 0);
}

// Waits (a few seconds at most) until the page has posted `count` messages
// since the last take, for input whose dispatch does not wait for the page.
export async function wait_sent(editor, count) {
  for (let frame = 0; frame < 600 && editor.sent.length < count; frame++) {
    await editor.page.evaluate(() => new Promise((r) => requestAnimationFrame(r)));
  }
  await settle(editor);
}

// Delivers native messages to the page.
export async function deliver(editor, ...texts) {
  await editor.page.evaluate((t) => window.__bridge.deliver(t), texts);
  await settle(editor);
}

// The messages posted since the last take.
export function take(editor) {
  return editor.sent.splice(0);
}

export function news_messages(editor) {
  return editor.sent.filter((m) => m.startsWith('m '));
}

// Closes an editor; whatever it did, it must have logged no error or warning.
export async function close_editor(editor) {
  await editor.page.context().close();
  assert.deepEqual(editor.problems, [], 'console errors and warnings');
}

export async function save_screenshot(editor, name) {
  await mkdir(artifacts, { recursive: true });
  const file = path.join(artifacts, name);
  await editor.page.screenshot({ path: file });
  return file;
}

export const dial = (editor, index) => editor.page.locator('.knob').nth(index).locator('[role=slider]');
export const readout = (editor, index) => editor.page.locator('.knob').nth(index).locator('.readout');
export const bypass = (editor) => editor.page.locator('[role=switch]');
