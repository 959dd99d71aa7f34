# Links that lead back into the walk: to the folder itself, to a parent, and
# two links to the root in each of six levels.
root="$PWD"
: > a.js
ln -s . self
mkdir Sub
ln -s .. Sub/up
p=.
for i in 1 2 3 4 5 6; do
    p="$p/L$i"
    mkdir -p "$p"
    ln -s "$root" "$p/r1"
    ln -s "$root" "$p/r2"
done
