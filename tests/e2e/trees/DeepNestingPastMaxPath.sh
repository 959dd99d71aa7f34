# Thirty nested folders whose paths pass MAX_PATH, each holding one macro.
p=.
for i in $(seq -w 1 30); do
    p="$p/level$i-with-a-longer-name"
    mkdir -p "$p"
    : > "$p/m.js"
done
