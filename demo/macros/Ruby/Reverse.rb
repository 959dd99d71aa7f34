# Reverses the selected text.
document.selection.Text = document.selection.Text.reverse
