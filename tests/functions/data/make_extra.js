const { URL } = require('whatwg-url');
const esc = s => s.replace(/\\/g, '\\\\').replace(/\t/g, '\\t').replace(/\n/g, '\\n').replace(/\r/g, '\\r');
function resolve(r, b) {
  const trimmed = r.replace(/^[\u0000-\u0020]+|[\u0000-\u0020]+$/g, '');
  if (trimmed === '' || trimmed.startsWith('#')) return '-';
  try {
    const u = new URL(r, b); const page = new URL(b);
    const ok = u.protocol === 'http:' || u.protocol === 'https:' || (u.protocol === 'file:' && page.protocol === 'file:');
    if (!ok) return '-'; u.hash = ''; return u.href;
  } catch (e) { return '-'; }
}
const p = 'http://host.example/dir/page.htm';
const pairs = [
  [p, 'img/乗.gif'], [p, '乗\\x.gif'], [p, '\\\\乗.example\\a.gif'], [p, '//사.example/사진.png?사=1'],
  [p, 'img/😀.png?😀=1#😀'], [p, 'https://😀.example/x.gif'], [p, '//中文.example/图.gif'],
  [p, '//ＣＤＮ．Example/a.gif'], [p, '//xn--fiq.example/a.gif'], [p, '//XN--FIQ.example/a.gif'],
  ['http://host.example/图片/页.htm', 'a.gif'], ['https://host.example/dir/', '图.jpg?w=300&h=1'],
  ['http://host.example/乗/p.htm', '../a.gif'], ['http://host.example/dir/page.htm', 'é/ß.gif'],
];
process.stdout.write('# page address\traw value (character references decoded; \\t \\n \\r \\\\ escaped)\taddress a browser requests, or - for none\n');
for (const [b, r] of pairs) process.stdout.write([esc(b), esc(r), esc(resolve(r, b))].join('\t') + '\n');
