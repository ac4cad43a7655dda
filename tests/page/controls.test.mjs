// Knobs and the switch: gestures, value encoding, values from the native side.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import {
  launch, open_editor, close_editor, settle, wait_sent, deliver, take, float_hex, hex_float, value_message,
  dial, readout, bypass,
} from './editor.mjs';

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

const value_messages = (sent) => sent.filter((m) => /^[bse] /.test(m));
const decode = (m) => {
  const [kind, index, hex] = m.split(' ');
  return { kind, index: parseInt(index, 16), value: hex_float(hex) };
};

// One gesture: one "b" with the value before, "s" only with changed values,
// one "e" with the final value, all for one parameter.
function assert_gesture(sent, index, before, final) {
  const g = value_messages(sent).map(decode);
  assert.ok(g.length >= 2, `a gesture, got ${sent.join(' | ')}`);
  assert.deepEqual(g[0], { kind: 'b', index, value: before });
  assert.deepEqual(g.at(-1), { kind: 'e', index, value: final });
  const moves = g.slice(1, -1);
  assert.ok(moves.every((m) => m.kind === 's' && m.index === index), sent.join(' | '));
  for (let i = 1; i < moves.length; i++) assert.notEqual(moves[i].value, moves[i - 1].value);
  if (final !== before) assert.equal(moves.at(-1).value, final);
  return moves;
}

async function center(editor, index) {
  const box = await dial(editor, index).boundingBox();
  return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
}

async function drag(editor, index, dy, { steps = 8, modifier } = {}) {
  const { page } = editor;
  const c = await center(editor, index);
  await page.mouse.move(c.x, c.y);
  if (modifier) await page.keyboard.down(modifier);
  await page.mouse.down();
  await page.mouse.move(c.x, c.y - dy, { steps });
  await page.mouse.up();
  if (modifier) await page.keyboard.up(modifier);
  await settle(editor);
}

async function set_from_native(editor, index, value) {
  await deliver(editor, value_message(index, value));
  take(editor);
}

test('on load the page asks for every value and shows the answer', async () => {
  const editor = await open_editor(browser, { values: [12.5, 0, 100, 33.3, 200, 1] });
  assert.equal(editor.sent[0], 'g');
  const shown = await editor.page.locator('.readout').allTextContents();
  assert.deepEqual(shown, ['12.5 %', '0.0 %', '100.0 %', '33.3 %', '200.0 %']);
  assert.equal(await dial(editor, 4).getAttribute('aria-valuetext'), '200.0 %');
  assert.equal(await bypass(editor).getAttribute('aria-checked'), 'true');
  assert.deepEqual(editor.problems, []);
  await close_editor(editor);
});

test('drags send one grab, the changes and one release', async () => {
  const editor = await open_editor(browser);
  const cases = [
    // index, start, vertical travel in px, modifier, final value
    { index: 0, start: 50, dy: 40, final: 70 },          // 200 px sweep the whole range
    { index: 4, start: 100, dy: -30, final: 70 },        // volume: 0 to 200 over the same travel
    { index: 1, start: 50, dy: 40, modifier: 'Shift', final: 52 },
    { index: 2, start: 50, dy: 40, modifier: 'Control', final: 52 },
    { index: 3, start: 90, dy: 200, final: 100 },        // held at the top of the range
    { index: 0, start: 5, dy: -100, final: 0 },          // and at the bottom
  ];
  for (const c of cases) {
    await set_from_native(editor, c.index, c.start);
    await drag(editor, c.index, c.dy, { modifier: c.modifier });
    const sent = take(editor);
    assert_gesture(sent, c.index, c.start, c.final);
    assert.equal(await readout(editor, c.index).textContent(), c.final.toFixed(1) + ' %', JSON.stringify(c));
    assert.equal(editor.values[c.index], c.final, 'the native side holds the final value');
  }
  // A click without movement is a gesture without change.
  const c = await center(editor, 1);
  await editor.page.mouse.click(c.x, c.y);
  await settle(editor);
  assert.deepEqual(value_messages(take(editor)), ['b 1 ' + float_hex(52), 'e 1 ' + float_hex(52)]);
  await close_editor(editor);
});

test('values from the native side move a knob, also while it is dragged', async () => {
  const editor = await open_editor(browser);
  const { page } = editor;
  const c = await center(editor, 0);
  await page.mouse.move(c.x, c.y);
  await page.mouse.down();
  await page.mouse.move(c.x, c.y - 20, { steps: 4 });   // 50 -> 60
  await settle(editor);
  await deliver(editor, value_message(0, 20));
  assert.equal(await readout(editor, 0).textContent(), '20.0 %');
  assert.equal(await dial(editor, 0).getAttribute('aria-valuenow'), '20');
  await page.mouse.move(c.x, c.y - 30, { steps: 2 });   // on from 20: 25
  await page.mouse.up();
  await settle(editor);
  const moves = assert_gesture(take(editor), 0, 50, 25);
  assert.equal(moves.map((m) => m.value).includes(60), true);
  assert.equal(await readout(editor, 0).textContent(), '25.0 %');
  await close_editor(editor);
});

test('wheel and keys make one whole gesture per step', async () => {
  const editor = await open_editor(browser);
  const { page } = editor;
  const cases = [
    // index, start, action, final
    { index: 0, start: 50, wheel: -100, final: 51 },
    { index: 0, start: 50, wheel: 100, final: 49 },
    { index: 0, start: 50, wheel: -100, modifier: 'Shift', final: 50.1 },
    { index: 1, start: 50, key: 'ArrowUp', final: 51 },
    { index: 1, start: 50, key: 'ArrowLeft', final: 49 },
    { index: 1, start: 50, key: 'Shift+ArrowDown', final: 49.9 },
    { index: 2, start: 50, key: 'PageUp', final: 60 },
    { index: 2, start: 5, key: 'PageDown', final: 0 },
    { index: 4, start: 150, key: 'End', final: 200 },
    { index: 4, start: 150, key: 'Home', final: 0 },
    { index: 3, start: 99.5, key: 'ArrowUp', final: 100 },
  ];
  for (const c of cases) {
    await set_from_native(editor, c.index, c.start);
    if (c.key) {
      await dial(editor, c.index).focus();
      await page.keyboard.press(c.key);
    } else {
      const p = await center(editor, c.index);
      await page.mouse.move(p.x, p.y);
      if (c.modifier) await page.keyboard.down(c.modifier);
      await page.mouse.wheel(0, c.wheel);
      await wait_sent(editor, 3);
      if (c.modifier) await page.keyboard.up(c.modifier);
    }
    await settle(editor);
    const sent = value_messages(take(editor));
    const final = Math.fround(c.final);
    assert.deepEqual(sent, [
      `b ${c.index} ${float_hex(c.start)}`, `s ${c.index} ${float_hex(final)}`, `e ${c.index} ${float_hex(final)}`,
    ], JSON.stringify(c));
    assert.equal(await readout(editor, c.index).textContent(), c.final.toFixed(1) + ' %');
  }
  // At the end of the range nothing changes, so nothing is sent.
  await set_from_native(editor, 4, 200);
  await dial(editor, 4).focus();
  await page.keyboard.press('End');
  await page.keyboard.press('ArrowUp');
  await settle(editor);
  assert.deepEqual(value_messages(take(editor)), []);
  await close_editor(editor);
});

test('values are sent as 32-bit float patterns', async () => {
  const editor = await open_editor(browser);
  const { page } = editor;
  // Each case steps volume from a start to the value under test.
  const cases = [
    { start: 1, key: 'ArrowDown', hex: '00000000' },     // 0
    { start: 0, key: 'ArrowUp', hex: '3f800000' },       // 1
    { start: 49, key: 'ArrowUp', hex: '42480000' },      // 50
    { start: 99, key: 'ArrowUp', hex: '42c80000' },      // 100
    { start: 190, key: 'End', hex: '43480000' },         // 200
    { start: 0, key: 'Shift+ArrowUp', hex: '3dcccccd' }, // 0.1 as the nearest float
  ];
  await dial(editor, 4).focus();
  for (const c of cases) {
    await set_from_native(editor, 4, c.start);
    await page.keyboard.press(c.key);
    await settle(editor);
    assert.equal(value_messages(take(editor)).at(-1), 'e 4 ' + c.hex, JSON.stringify(c));
  }
  await close_editor(editor);
});

test('double-click returns a knob to its default', async () => {
  const editor = await open_editor(browser);
  for (const [index, start, fallback] of [[0, 80, 50], [3, 20, 100], [4, 3, 100]]) {
    await set_from_native(editor, index, start);
    await dial(editor, index).dblclick();
    await settle(editor);
    const sent = value_messages(take(editor));
    // The first click is a gesture without change; the second one resets.
    assert.deepEqual(sent.slice(0, 2), [`b ${index} ${float_hex(start)}`, `e ${index} ${float_hex(start)}`]);
    assert_gesture(sent.slice(2), index, start, fallback);
    assert.equal(await readout(editor, index).textContent(), fallback.toFixed(1) + ' %');
  }
  await close_editor(editor);
});

test('the bypass switch toggles with one gesture per press', async () => {
  const editor = await open_editor(browser);
  const { page } = editor;
  const sw = bypass(editor);
  assert.equal(await sw.getAttribute('aria-checked'), 'false');
  const steps = [
    [() => sw.click(), 0, 1],
    [() => page.keyboard.press('Space'), 1, 0],
    [() => page.keyboard.press('Enter'), 0, 1],
  ];
  for (const [act, from, to] of steps) {
    await act();
    await settle(editor);
    assert.deepEqual(value_messages(take(editor)), [
      `b 5 ${float_hex(from)}`, `s 5 ${float_hex(to)}`, `e 5 ${float_hex(to)}`,
    ]);
    assert.equal(await sw.getAttribute('aria-checked'), to ? 'true' : 'false');
    assert.equal(await page.locator('#panel').evaluate((e) => e.classList.contains('bypassed')), to === 1);
  }
  await set_from_native(editor, 5, 0);
  assert.equal(await sw.getAttribute('aria-checked'), 'false');
  await close_editor(editor);
});

test('malformed native messages change nothing', async () => {
  const editor = await open_editor(browser);
  const { page } = editor;
  const bad = [
    's 00000006 42480000',            // index past the table
    's 0000000 42480000',             // seven digits
    's 00000000 4248000',
    'S 00000000 42480000',
    's 00000000 42480000 more',
    's 00000000 4248zz00',
    's 00000000 7fc00000',            // NaN
    's 00000000 7f800000',            // infinity
    's  00000000 42480000',
    '', 's', 'x', 'm', 'm nuvixV1', 'g',
  ];
  await set_from_native(editor, 0, 12);
  await page.evaluate((texts) => {
    window.__bridge.deliver(texts);
    window.__bridge.deliver([17, null, { data: 's 00000000 42480000' }, ['s 00000000 42480000']]);
  }, bad);
  await settle(editor);
  assert.equal(await readout(editor, 0).textContent(), '12.0 %');
  assert.deepEqual(value_messages(take(editor)), []);
  // A value outside the range is shown at its end; the switch reads 0.5 and up as on.
  await deliver(editor, value_message(0, 250), value_message(5, 0.5));
  assert.equal(await readout(editor, 0).textContent(), '100.0 %');
  assert.equal(await bypass(editor).getAttribute('aria-checked'), 'true');
  // Upper-case digits are a well-formed pattern too.
  await deliver(editor, 's 00000001 41CC0000');
  assert.equal(await readout(editor, 1).textContent(), '25.5 %');
  assert.deepEqual(editor.problems, []);
  await close_editor(editor);
});

test('controls carry slider and switch roles for screen readers', async () => {
  const editor = await open_editor(browser);
  const sliders = await editor.page.getByRole('slider').all();
  const names = [];
  for (const s of sliders) {
    names.push([await s.evaluate((e) => e.getAttribute('aria-labelledby') && document.getElementById(e.getAttribute('aria-labelledby')).textContent),
      await s.getAttribute('aria-valuemin'), await s.getAttribute('aria-valuemax'), await s.getAttribute('aria-valuetext')]);
  }
  assert.deepEqual(names, [
    ['Drive', '0', '100', '50.0 %'], ['Tone', '0', '100', '50.0 %'], ['Heat', '0', '100', '50.0 %'],
    ['Mix', '0', '100', '100.0 %'], ['Volume', '0', '200', '100.0 %'],
  ]);
  assert.equal(await editor.page.getByRole('switch', { name: 'Bypass' }).count(), 1);
  // Tab reaches every control in order (the news has not been read yet).
  const order = [];
  for (let i = 0; i < 7; i++) {
    await editor.page.keyboard.press('Tab');
    order.push(await editor.page.evaluate(() => document.activeElement.getAttribute('aria-label') ||
      document.activeElement.textContent.trim() || document.activeElement.getAttribute('aria-labelledby')));
  }
  assert.deepEqual(order, ['News, unread', 'Bypass', 'title-0', 'title-1', 'title-2', 'title-3', 'title-4']);
  await close_editor(editor);
});

test('dragging selects no text and opens no context menu', async () => {
  const editor = await open_editor(browser);
  const { page } = editor;
  const c = await center(editor, 0);
  await page.mouse.move(c.x - 200, c.y + 120);
  await page.mouse.down();
  await page.mouse.move(c.x + 500, c.y - 60, { steps: 6 });
  await page.mouse.up();
  await drag(editor, 0, 30);
  assert.equal(await page.evaluate(() => String(window.getSelection())), '');
  const prevented = await dial(editor, 0).evaluate((e) => !e.dispatchEvent(new MouseEvent('contextmenu', { bubbles: true, cancelable: true })));
  assert.equal(prevented, true);
  await close_editor(editor);
});
