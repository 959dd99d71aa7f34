' Puts the selection in double quotes.
document.selection.Text = Chr(34) & document.selection.Text & Chr(34)
