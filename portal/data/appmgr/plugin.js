// Script plug-in of the portal stand-in, run in every page the client loads.
// Stored here in UTF-8; the portal serves it in GBK, as the client expects.
// It marks the page visibly with a banner and with the attribute
// data-quorvi-plugin on the root element, once per page.
(function () {
    var root = document.documentElement;
    if (!root || root.getAttribute('data-quorvi-plugin')) return;
    root.setAttribute('data-quorvi-plugin', '1');
    var banner = document.createElement('div');
    banner.id = 'quorvi-plugin-banner';
    banner.textContent = '校园门户插件已运行 — 本页由门户助手增强';
    banner.style.cssText = 'position:fixed;left:0;right:0;bottom:0;z-index:2147483647;' +
        'background:#2b6cb0;color:#fff;font:14px sans-serif;padding:6px 12px;text-align:center;';
    (document.body || root).appendChild(banner);
})();
