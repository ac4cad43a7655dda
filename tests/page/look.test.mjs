// The page's face: it fits every window without scroll bars, loads nothing
// from outside, logs no errors; screenshots are kept as build artifacts.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { fileURLToPath } from 'node:url';
import path from 'node:path';
import {
  launch, open_editor, close_editor, deliver, save_screenshot, page_url, page_file, value_message,
} from './editor.mjs';
import { news_store_model } from './news_store_model.mjs';

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

async function layout(editor) {
  return editor.page.evaluate(() => {
    const r = document.getElementById('stage').getBoundingClientRect();
    const root = document.documentElement;
    return {
      stage: { x: r.x, y: r.y, width: r.width, height: r.height },
      scrolls: root.scrollWidth > innerWidth || root.scrollHeight > innerHeight,
      window: { width: innerWidth, height: innerHeight },
    };
  });
}

test('the editor fills any window, centred, without scroll bars', async () => {
  const sizes = [
    // window, expected stage size
    [{ width: 800, height: 400 }, { width: 800, height: 400 }],
    [{ width: 1200, height: 600 }, { width: 1200, height: 600 }],
    [{ width: 1000, height: 400 }, { width: 800, height: 400 }],
    [{ width: 600, height: 500 }, { width: 600, height: 300 }],
    [{ width: 400, height: 200 }, { width: 400, height: 200 }],
  ];
  const editor = await open_editor(browser);
  for (const [size, stage] of sizes) {
    await editor.page.setViewportSize(size);
    // The window's resize event reaches the page before its next frame.
    await editor.page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
    const l = await layout(editor);
    assert.equal(l.scrolls, false, JSON.stringify(size));
    assert.ok(Math.abs(l.stage.width - stage.width) < 0.5 && Math.abs(l.stage.height - stage.height) < 0.5,
      `${JSON.stringify(size)}: ${JSON.stringify(l.stage)}`);
    assert.ok(Math.abs(l.stage.x - (size.width - stage.width) / 2) <= 1 &&
      Math.abs(l.stage.y - (size.height - stage.height) / 2) <= 1, JSON.stringify(l));
  }
  // A drag feels the same at any size: the sweep follows the scale.
  await editor.page.setViewportSize({ width: 1200, height: 600 });
  const box = await editor.page.locator('[role=slider]').first().boundingBox();
  await editor.page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await editor.page.mouse.down();
  await editor.page.mouse.move(box.x + box.width / 2, box.y + box.height / 2 - 60, { steps: 4 });
  await editor.page.mouse.up();
  assert.equal(await editor.page.locator('.readout').first().textContent(), '70.0 %');
  await close_editor(editor);
});

test('screenshots at the default size, larger and on a high-DPI display', async () => {
  const shots = [
    { name: 'editor-800x400.png', viewport: { width: 800, height: 400 } },
    { name: 'editor-1200x600.png', viewport: { width: 1200, height: 600 } },
    { name: 'editor-800x400-2x.png', viewport: { width: 800, height: 400 }, scale: 2 },
  ];
  for (const shot of shots) {
    const editor = await open_editor(browser, {
      viewport: shot.viewport, scale: shot.scale, values: [62.5, 38, 71, 85, 120, 0],
    });
    const file = await save_screenshot(editor, shot.name);
    const png = await readFile(file);
    // PNG header: width and height at bytes 16 and 20.
    const scale = shot.scale ?? 1;
    assert.equal(png.readUInt32BE(16), shot.viewport.width * scale, shot.name);
    assert.equal(png.readUInt32BE(20), shot.viewport.height * scale, shot.name);
    assert.deepEqual(editor.problems, [], shot.name);
    await close_editor(editor);
  }
});

test('screenshots of the news list, the bypassed editor and a newer version\'s note', async () => {
  const store = news_store_model({ 'latest/skarrow': '00010200 {"version":"1.2.0"}' });
  const editor = await open_editor(browser, { store, values: [50, 50, 50, 100, 100, 1] });
  await save_screenshot(editor, 'editor-bypassed-newer.png');
  await editor.page.locator('#news-button').click();
  await save_screenshot(editor, 'editor-news.png');
  assert.deepEqual(editor.problems, []);
  await close_editor(editor);
});

test('every text reads at 4.5 : 1 or better against the lightest surface', async () => {
  const editor = await open_editor(browser, {
    store: news_store_model({ 'latest/skarrow': 'ff000000 {"version":"255.0.0"}' }),
  });
  const low = await editor.page.evaluate(() => {
    const surface = [0x23, 0x25, 0x2b];   // the header's lightest gradient stop
    const luminance = (rgb) => {
      const [r, g, b] = rgb.map((c) => {
        const s = c / 255;
        return s <= 0.03928 ? s / 12.92 : ((s + 0.055) / 1.055) ** 2.4;
      });
      return 0.2126 * r + 0.7152 * g + 0.0722 * b;
    };
    const found = [];
    for (const e of document.querySelectorAll('body *')) {
      const own_text = [...e.childNodes].some((n) => n.nodeType === Node.TEXT_NODE && n.textContent.trim());
      if (!own_text || !e.getClientRects().length || e.closest('[hidden]')) continue;
      const [r, g, b, a = 1] = getComputedStyle(e).color.match(/[\d.]+/g).map(Number);
      let alpha = a;
      for (let p = e; p; p = p.parentElement) alpha *= Number(getComputedStyle(p).opacity);
      const rgb = [r, g, b].map((c, i) => c * alpha + surface[i] * (1 - alpha));
      const ratio = (luminance(rgb) + 0.05) / (luminance(surface) + 0.05);
      if (ratio < 4.5) found.push(`${e.textContent.trim()}: ${ratio.toFixed(2)}`);
    }
    return found;
  });
  assert.deepEqual(low, []);
  await close_editor(editor);
});

test('the page is one self-contained file', async () => {
  const editor = await open_editor(browser);
  await deliver(editor, value_message(0, 10));
  assert.deepEqual(editor.requests, [page_url]);
  const html = await readFile(page_file, 'utf8');
  assert.doesNotMatch(html, /(src|href)\s*=\s*["'](?!#)/i);
  assert.doesNotMatch(html, /@import|url\((?!#)/i);
  assert.deepEqual(editor.problems, []);
  await close_editor(editor);
});

test('the page carries the project version', async () => {
  const here = path.dirname(fileURLToPath(import.meta.url));
  const cmake = await readFile(path.join(here, '../../CMakeLists.txt'), 'utf8');
  const version = /project\(skarrow VERSION ([0-9.]+)/.exec(cmake)[1];
  const editor = await open_editor(browser);
  assert.equal(await editor.page.locator('#version').textContent(), 'Skarrow ' + version);
  await close_editor(editor);
});
