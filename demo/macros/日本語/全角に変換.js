// 選択範囲の英数字を全角に変換します。
var s = document.selection.Text;
document.selection.Text = s.replace(/[!-~]/g, function (c) {
    return String.fromCharCode(c.charCodeAt(0) + 0xFEE0);
});
