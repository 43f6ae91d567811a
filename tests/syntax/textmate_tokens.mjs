// Tokenizes build files with the TextMate grammar through the reference
// tokenizer, vscode-textmate with the Oniguruma of vscode-oniguruma, and
// prints each line's tokens with their scopes as JSON:
// [{"file": F, "lines": [[[start, end, [scope, ...]], ...], ...]}, ...]
//   node textmate_tokens.mjs MODULES GRAMMAR FILE...
// MODULES is the folder whose node_modules holds both packages.
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';

const [modules, grammarPath, ...files] = process.argv.slice(2);
if (!modules || !grammarPath || files.length === 0) {
  console.error('usage: node textmate_tokens.mjs MODULES GRAMMAR FILE...');
  process.exit(2);
}
const require = createRequire(path.join(path.resolve(modules), 'modules.js'));
const textmate = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
const grammarText = fs.readFileSync(grammarPath, 'utf8');
const scopeName = JSON.parse(grammarText).scopeName;
const registry = new textmate.Registry({
  onigLib: Promise.resolve({
    createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
    createOnigString: (text) => new oniguruma.OnigString(text),
  }),
  loadGrammar: async (name) =>
    name === scopeName ? textmate.parseRawGrammar(grammarText, grammarPath) : null,
});
const grammar = await registry.loadGrammar(scopeName);
if (!grammar) {
  console.error(`no grammar for ${scopeName}`);
  process.exit(1);
}

const result = files.map((file) => {
  let state = textmate.INITIAL;
  const text = fs.readFileSync(file, 'utf8').replace(/\r?\n$/, '');
  const lines = text.split('\n').map((line) => {
    const tokenized = grammar.tokenizeLine(line.replace(/\r$/, ''), state);
    state = tokenized.ruleStack;
    return tokenized.tokens.map((t) => [t.startIndex, t.endIndex, t.scopes]);
  });
  return { file, lines };
});
console.log(JSON.stringify(result));
