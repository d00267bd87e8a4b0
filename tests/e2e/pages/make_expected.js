// The images a browser fetches for each page here, read by jsdom: for every
// img, body, td, input and table element, each src, background and *src
// attribute in attribute order, resolved against document.baseURI; http and
// https only (file: on a page from a file), without fragment, each once.
//   npm install; node make_expected.js        writes NAME.expected beside NAME.html
const fs = require('fs');
const path = require('path');
const { JSDOM } = require('jsdom');
const { URL } = require('whatwg-url');
const page = 'https://host.example/dir/page.htm';
for (const file of fs.readdirSync(__dirname).filter(f => f.endsWith('.html')).sort()) {
  const dom = new JSDOM(fs.readFileSync(path.join(__dirname, file), 'utf8'), { url: page });
  const document = dom.window.document;
  const lines = [];
  for (const element of document.querySelectorAll('img, body, td, input, table')) {
    for (const attribute of element.attributes) {
      if (attribute.name !== 'src' && attribute.name !== 'background' && !attribute.name.endsWith('src')) continue;
      const value = attribute.value;
      const trimmed = value.replace(/^[\u0000-\u0020]+|[\u0000-\u0020]+$/g, '');
      if (trimmed === '' || trimmed.startsWith('#')) continue;
      let url;
      try { url = new URL(value, document.baseURI); } catch (e) { continue; }
      const fromFile = new URL(document.URL).protocol === 'file:';
      if (!(url.protocol === 'http:' || url.protocol === 'https:' || (url.protocol === 'file:' && fromFile))) continue;
      url.hash = '';
      if (!lines.includes(url.href)) lines.push(url.href);
    }
  }
  fs.writeFileSync(path.join(__dirname, file.replace(/\.html$/, '.expected')), lines.map(l => l + '\n').join(''));
}
