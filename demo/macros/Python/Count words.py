# Shows how many words the selection holds.
text = document.selection.Text
window.alert("%d words" % len(text.split()))
