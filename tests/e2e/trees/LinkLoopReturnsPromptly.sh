# Folder links that lead back into the walk, made where Wine cannot.
touch a.js
mkdir -p Sub/Deep
touch Sub/b.js
ln -s .. Sub/up
ln -s . Sub/self
ln -s ../.. Sub/Deep/root
