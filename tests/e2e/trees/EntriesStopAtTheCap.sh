# 120,480 entries: d001 to d120, each holding 1,000 empty files.
for i in $(seq -w 1 120); do mkdir "d$i" && (cd "d$i" && touch $(seq -f 'f%04g.txt' 1 1000)); done
