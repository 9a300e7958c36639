// kestrum view in a real browser: Debian's chromium, headless, driven by playwright-core.
// The page must show the tool's panel as its description says, and a press made through
// the page must move the objects exactly as `kestrum align` does for the same settings;
// undo, redo and save go through the host. A glTF scene shows its meshes, and what the
// plug-in says in a message appears in the page's dialog. Exits 77 (skipped) only
// without a browser.
//
// Environment: KESTRUM_COMMAND (the built program), KESTRUM_SOURCE_DIR, KESTRUM_ARTIFACTS
// (a folder for the scene copies, the saved file and the screenshot), and
// KESTRUM_GENERATE_SCENE (the scene generator, when built: a 10^4-object run too).
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { cpSync, existsSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import path from 'node:path';

const kBrowser = '/usr/bin/chromium';
const command = process.env.KESTRUM_COMMAND;
const source = process.env.KESTRUM_SOURCE_DIR;
const artifacts = process.env.KESTRUM_ARTIFACTS;
if (!existsSync(kBrowser)) {
  console.log(`SKIPPED: no browser at ${kBrowser}; scripts/install-deps.sh installs Debian's chromium`);
  process.exit(77);
}
const { chromium } = await import('playwright-core');

mkdirSync(artifacts, { recursive: true });
const readJson = (file) => JSON.parse(readFileSync(file, 'utf8'));
// How many requests of `action` the page has sent.
const sent = (page, action) => page.evaluate((a) => performance.getEntriesByType('resource')
  .filter((entry) => entry.name.endsWith(`/api/${a}`)).length, action);
const demo = readJson(path.join(source, 'examples/demo.json'));
const description = readJson(path.join(source, 'plugin/res/description/Kestrum.json'));
const strings = readJson(path.join(source, 'plugin/res/strings/en.json')).strings;
const scene = path.join(artifacts, 'demo.json');
const saved = path.join(artifacts, 'saved.json');
writeFileSync(scene, JSON.stringify(demo));

// The same press made by `kestrum align`: Vase and Books selected, against the Table.
const settings = ['--x', 'center', '--y', 'plus:outside', '--z', 'minus'];
const selectedScene = path.join(artifacts, 'selected.json');
const alignedFile = path.join(artifacts, 'aligned.json');
writeFileSync(selectedScene, JSON.stringify({ ...demo, objects: demo.objects.map((o) =>
  ({ ...o, selected: o.name === 'Vase' || o.name === 'Books' })) }));
execFileSync(command, ['align', selectedScene, '--reference', 'Table', '--selected', ...settings,
                       '-o', alignedFile]);
const aligned = Object.fromEntries(readJson(alignedFile).objects.map((o) => [o.name, o.position]));

// `kestrum view ARGS...`: the process, the address it printed and its stdout so far.
async function startView(args) {
  const view = { process: spawn(command, ['view', ...args], { stdio: ['ignore', 'pipe', 'inherit'] }),
                 output: '' };
  view.process.stdout.on('data', (chunk) => { view.output += chunk; });
  view.address = await new Promise((resolve, reject) => {
    view.process.stdout.on('data', () => {
      if (view.output.includes('\n')) resolve(view.output.split('\n')[0]);
    });
    view.process.on('exit', (code) => reject(new Error(`kestrum view ended early (${code})`)));
  });
  assert.match(view.address, /^http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32}$/);
  view.exit = new Promise((resolve) => view.process.on('exit', resolve));
  return view;
}

// SIGTERM, then the run must end cleanly with nothing left behind.
async function stopView(view) {
  view.process.kill('SIGTERM');
  assert.equal(await view.exit, 0);
  assert.match(view.output, /unloaded: nothing left allocated, no misuse recorded/);
}

const server = await startView([scene, '-o', saved]);
const address = server.address;

const browser = await chromium.launch({
  executablePath: kBrowser,
  // CI runs as root, where chromium refuses its sandbox; WebGL through SwiftShader.
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
try {
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 760 } });
    const pageErrors = [];
    page.on('pageerror', (error) => pageErrors.push(error.message));
    await page.goto(address);
    await page.waitForSelector('body[data-ready]');
    const positions = () => page.$$eval('#outliner .row', (rows) =>
      Object.fromEntries(rows.map((row) => [row.dataset.path, JSON.parse(row.dataset.position)])));
    const settled = (text) => page.waitForFunction(
      (t) => document.querySelector('#status').textContent.includes(t), text);
    const before = await positions();
    assert.deepEqual(before.Vase, demo.objects.find((o) => o.name === 'Vase').position);

    // The panel holds every control of the description, with its label and values, and
    // the tool's name from its strings.
    const panelText = await page.textContent('#panel');
    assert.ok(panelText.includes(strings['10000']), 'the tool name is shown');
    for (const group of description.groups) {
      assert.ok(panelText.includes(group.label), `group ${group.label}`);
      for (const element of group.elements) {
        assert.ok(panelText.includes(element.label), `control ${element.label}`);
        assert.ok(await page.$(`#panel [data-control="${element.id}"]`), `control ${element.id}`);
        for (const value of element.values ?? [])
          assert.equal(await page.textContent(
            `#panel select[data-control="${element.id}"] option[value="${value.id}"]`), value.label);
      }
    }
    assert.ok((await page.textContent('#console')).length > 0, 'the console banner is shown');

    // Reference picked in the outliner, Vase and Books selected, the modes set.
    await page.click('#panel button[data-control="10002"]:text("Pick")');
    await page.click('#outliner .row[data-path="Table"]');
    await page.waitForSelector('#outliner .row.reference[data-path="Table"]');
    assert.equal(await page.textContent('#panel output[data-control="10002"]'), 'Table');
    await page.click('#outliner .row[data-path="Vase"]');
    await page.click('#outliner .row[data-path="Books"]', { modifiers: ['Shift'] });
    await page.waitForSelector('#outliner .row.selected[data-path="Books"]');
    assert.deepEqual(await page.$$eval('#outliner .row.selected', (rows) =>
      rows.map((row) => row.dataset.path)), ['Vase', 'Books']);
    for (const [control, label] of [[10004, 'Centre'], [10012, 'Positive face (+)'],
                                    [10017, 'Outside'], [10020, 'Negative face (-)']]) {
      await page.selectOption(`#panel select[data-control="${control}"]`, { label });
      await page.waitForFunction(([c, l]) => {
        const select = document.querySelector(`#panel select[data-control="${c}"]`);
        return select.selectedOptions[0].label === l;
      }, [control, label]);
    }

    await page.click('#panel button[data-control="10001"]');
    await settled('Align selected”: 2 objects moved');
    await page.screenshot({ path: path.join(artifacts, 'view-after-press.png') });
    const after = await positions();
    assert.notDeepEqual(after.Vase, before.Vase, 'the press moved the Vase');
    assert.deepEqual(after, aligned, 'the page reports what kestrum align writes');

    // While an answer is awaited a second click sends nothing, and an answer that is slow
    // to come is said in the status line with the controls disabled.
    const answered = () => page.waitForFunction(() => !document.body.classList.contains('busy'));
    await page.evaluate(() => { for (let i = 0; i < 2; ++i) document.querySelector('#undo').click(); });
    await answered();
    assert.equal(await sent(page, 'undo'), 1, 'the second click is not a second undo');
    assert.equal(await page.isDisabled('#redo'), false);
    assert.deepEqual(await positions(), before, 'undo puts every object back exactly');
    await page.route('**/api/redo', async (route) => {
      await new Promise((resolve) => setTimeout(resolve, 600));
      await route.continue();
    });
    await page.click('#redo');
    await page.waitForFunction(() => document.querySelector('#status').textContent === 'redoing…' &&
      document.querySelector('#save').disabled && document.querySelector('#panel button').disabled);
    await answered();
    await page.unroute('**/api/redo');
    assert.equal(await page.isDisabled('#redo'), true);
    assert.deepEqual(await positions(), aligned, 'redo moves them again');

    await page.click('#save');
    await settled('saved to');
    const file = readJson(saved);
    assert.deepEqual(Object.fromEntries(file.objects.map((o) => [o.name, o.position])), aligned);
    assert.equal(file.tool.reference, 'Table');

    // Stack: the books picked red, blue, green go on Books in that order, each on the one
    // before (Y positive face, outside), in one undo step.
    await page.click('#panel button[data-control="10002"]:text("Pick")');
    await page.click('#outliner .row[data-path="Books"]');
    await page.waitForSelector('#outliner .row.reference[data-path="Books"]');
    await page.click('#outliner .row[data-path="BookRed"]');
    await page.click('#outliner .row[data-path="BookBlue"]', { modifiers: ['Shift'] });
    await page.click('#outliner .row[data-path="BookGreen"]', { modifiers: ['Shift'] });
    await page.waitForSelector('#outliner .row.selected[data-path="BookGreen"]');
    const unstacked = await positions();
    await page.click('#stack');
    await settled('stacked 3 object(s)');
    const stacked = await positions();
    assert.ok(stacked.BookRed[1] > stacked.Books[1], 'red on Books');
    assert.ok(stacked.BookBlue[1] > stacked.BookRed[1], 'blue on red, as picked');
    assert.ok(stacked.BookGreen[1] > stacked.BookBlue[1], 'green on blue');
    assert.equal(await page.textContent('#panel output[data-control="10002"]'), 'Books',
                 'the reference stays linked');
    await page.click('#undo');
    await page.waitForFunction(() => !document.querySelector('#redo').disabled);
    assert.deepEqual(await positions(), unstacked, 'one undo takes the whole stack back');

    // The same three books moved as one group, in one undo step.
    await page.click('#group');
    await settled('moved as one group: 3 objects moved');
    await page.click('#undo');
    await page.waitForFunction(() => !document.querySelector('#redo').disabled);
    assert.deepEqual(await positions(), unstacked, 'one undo takes the whole group back');

    // The help button's page opens in a new tab with the plug-in's help content.
    const [help] = await Promise.all([page.waitForEvent('popup'),
                                      page.click('#panel button[data-control="10028"]')]);
    await help.waitForLoadState();
    assert.match(await help.title(), /Kestrum/);
    assert.deepEqual(pageErrors, []);
  } finally {
    await stopView(server);
  }

  // A real glTF file whose 67 nodes share 29 meshes, read with a copy of the plug-in
  // folder that lacks its help page: the help button then makes the plug-in show its
  // message, which the page must put in its dialog.
  const engine = '/usr/share/assimp/models/glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb';
  assert.ok(existsSync(engine), `${engine} is missing: scripts/install-deps.sh installs assimp-testmodels`);
  const noHelp = path.join(artifacts, 'plugin-without-help');
  rmSync(noHelp, { recursive: true, force: true });
  cpSync(path.join(path.dirname(command), '..', 'plugins', 'kestrum'), noHelp, { recursive: true });
  rmSync(path.join(noHelp, 'help'), { recursive: true });
  const gltfView = await startView([engine, '--plugin', noHelp, '-o', path.join(artifacts, 'engine.glb')]);
  try {
    const page = await browser.newPage({ viewport: { width: 1280, height: 760 } });
    const pageErrors = [];
    page.on('pageerror', (error) => pageErrors.push(error.message));
    await page.goto(gltfView.address);
    await page.waitForSelector('body[data-ready]');
    const { meshes, objects } = await page.evaluate(async () => ({
      meshes: await (await fetch('/api/meshes')).json(),
      objects: (await (await fetch('/api/state')).json()).objects,
    }));
    const withMesh = objects.filter((object) => object.mesh !== null).length;
    assert.equal(withMesh, 67);
    assert.equal(meshes.meshes.length, 29, 'each mesh is sent once');
    assert.equal(await page.getAttribute('#viewport', 'data-meshes-drawn'), String(withMesh));
    await page.screenshot({ path: path.join(artifacts, 'view-gltf-meshes.png') });

    await page.click('#panel button[data-control="10028"]');
    await page.waitForSelector('#message[open]');
    assert.equal(await page.textContent('#message p'), strings['10002']);
    assert.deepEqual(pageErrors, []);
  } finally {
    await stopView(gltfView);
  }

  // 10^4 generated objects, all selected: the page presses, undoes, redoes and saves as
  // on the demo, the saved file holds what align writes, and the page holds a handful of
  // rows and labels, not one per object.
  if (process.env.KESTRUM_GENERATE_SCENE) {
    const large = path.join(artifacts, 'large.json');
    const largeSaved = path.join(artifacts, 'large-saved.json');
    const largeAligned = path.join(artifacts, 'large-aligned.json');
    execFileSync(process.env.KESTRUM_GENERATE_SCENE, ['--objects', '10000', '--output', large]);
    execFileSync(command, ['align', large, '--selected', '-o', largeAligned]);
    const placed = (file) => Object.fromEntries(readJson(file).objects.map((o) => [o.name, o.position]));
    const largeView = await startView([large, '-o', largeSaved]);
    try {
      const page = await browser.newPage({ viewport: { width: 1280, height: 760 } });
      const pageErrors = [];
      page.on('pageerror', (error) => pageErrors.push(error.message));
      await page.goto(largeView.address);
      await page.waitForSelector('body[data-ready]', { timeout: 120_000 });
      const answered = () => page.waitForFunction(() => !document.body.classList.contains('busy'));
      const rows = () => page.$$eval('#outliner .row', (all) => all.length);
      assert.ok(await rows() < 100, `${await rows()} rows in the outliner`);
      await page.click('#panel button[data-control="10001"]');
      await page.waitForFunction(() =>
        document.querySelector('#status').textContent.includes('objects moved'));
      await page.screenshot({ path: path.join(artifacts, 'view-10000-after-press.png') });
      for (const button of ['#undo', '#redo']) {
        await page.click(button);
        await answered();
      }
      await page.click('#save');
      await page.waitForFunction(() => document.querySelector('#status').textContent.includes('saved to'));
      assert.deepEqual(placed(largeSaved), placed(largeAligned), 'the page saves what align writes');
      assert.ok(await page.$$eval('#viewport .label', (all) => all.length) <= 8);

      await page.fill('#outliner input[type=search]', 'Object 99');
      await page.waitForFunction(() => document.querySelector('#outliner .shown').textContent === '111 of 10001');
      // Select on every object: more ids than one request carries, taken as one action.
      await page.fill('#outliner input[type=search]', '');
      await page.waitForFunction(() => document.querySelector('#outliner .shown').textContent === '10001');
      await page.click('#outliner .select-shown');
      await answered();
      const selected = await page.evaluate(async () => (await (await fetch('/api/state')).json())
        .objects.filter((object) => object.selected).length);
      assert.equal(selected, 10001, 'every object is selected');
      assert.ok(await sent(page, 'select') > 1, 'in several requests');
      assert.deepEqual(pageErrors, []);
    } finally {
      await stopView(largeView);
    }
  } else {
    console.log('the 10^4-object run is left out: no scene generator in this build');
  }
} finally {
  await browser.close();
}
console.log(`view page test passed; screenshots: ${path.join(artifacts, 'view-after-press.png')}, ` +
            'view-gltf-meshes.png, view-10000-after-press.png');
