// A small model of the native news store's rules, shared by every editor of
// a test as the real files are shared by every editor on a machine.

const prefix = 'nuvixV1 ';

export function news_store_model(files = {}) {
  const store = {
    // "system", "news" and "latest/<id>"; an absent key is an absent file.
    files: { ...files },
    writes: [],            // [file, how] for every change, in order
    fail_reads: false,     // every read fails: init answers nothing
    before_sync: null,     // (file) => runs before every conditional update: another writer
    handle,
  };

  function write(file, data, how) {
    store.files[file] = data;
    store.writes.push([file, how]);
  }

  function sync(file, body, conflict_word) {
    if (store.before_sync) store.before_sync(file);
    const content = store.files[file] ?? '';
    let applies;
    let data;
    if (body.startsWith('-')) {
      applies = content === '';
      data = body.slice(2);
    } else {
      const token = Buffer.from(body).subarray(0, 8);
      const stored = Buffer.from(content).subarray(0, 8);
      applies = content === '' || (stored.length === 8 && stored.equals(token));
      data = Buffer.from(body).subarray(9).toString();
    }
    if (applies) {
      write(file, data, 'sync');
      return [];
    }
    return [prefix + conflict_word + ' ' + content];
  }

  // Returns the replies, as texts to go inside "m" messages.
  function handle(text) {
    const rule = (p) => text.startsWith(prefix + p) ? text.slice(prefix.length + p.length) : null;
    let rest;
    if ((rest = rule('init ')) !== null) {
      if (store.fail_reads || rest === '') return [];
      const out = [];
      const f = store.files;
      if ('system' in f) out.push(prefix + 'initSid ' + f.system);
      if ('news' in f) out.push(prefix + 'initNews ' + f.news);
      if ('latest/' + rest in f) out.push(prefix + 'initLatest ' + f['latest/' + rest]);
      out.push(prefix + 'initDone ');
      return out;
    }
    if ((rest = rule('getNews ')) !== null) {
      return store.fail_reads ? [] : [prefix + 'getNews ' + (store.files.news ?? '')];
    }
    if ((rest = rule('newSid ')) !== null) {
      write('system', rest, 'force');
      return [];
    }
    if ((rest = rule('syncNews ')) !== null) return sync('news', rest, 'syncNewsConflict');
    if ((rest = rule('syncLatest ')) !== null) {
      const space = rest.indexOf(' ');
      if (space <= 0) return [];
      return sync('latest/' + rest.slice(0, space), rest.slice(space + 1), 'syncLatestConflict');
    }
    if ((rest = rule('syncNewsForce ')) !== null) {
      write('news', rest, 'force');
      return [];
    }
    if ((rest = rule('syncLatestForce ')) !== null) {
      const space = rest.indexOf(' ');
      if (space <= 0) return [];
      write('latest/' + rest.slice(0, space), rest.slice(space + 1), 'force');
      return [];
    }
    return [];
  }

  return store;
}
