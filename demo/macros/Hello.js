// Inserts a greeting at the cursor.
document.selection.Text = "Hello from a macro!";
