# Ten thousand macros in one folder, m0000.js to m9999.js.
for i in $(seq -w 0 9999); do : > "m$i.js"; done
