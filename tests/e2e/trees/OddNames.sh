# Names that test the rules: "&", leading and trailing dots, no extension, only
# an extension, and double-byte names whose trail byte is 0x5C (ソ, 表).
: > '&start.js'
: > 'a&&b.vbs'
: > '.js'
: > '.hidden.py'
: > noext
: > 'A.JS.BAK'
: > 'only.'
: > UPPER.PYEE
mkdir ソ
: > ソ/x.js
: > 表.js
