# 6,060 folders: d01 to d60, each holding s001 to s100.
for i in $(seq -w 1 60); do mkdir "d$i" && (cd "d$i" && mkdir $(seq -f 's%03g' 1 100)); done
