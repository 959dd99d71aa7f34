# L1 to L20, each holding a macro and two links, a and b, to the next: a
# walk that followed both would double at every level.
for i in $(seq 1 20); do mkdir -p "L$i" && : > "L$i/m.js"; done
for i in $(seq 1 19); do ln -s "../L$((i + 1))" "L$i/a" && ln -s "../L$((i + 1))" "L$i/b"; done
