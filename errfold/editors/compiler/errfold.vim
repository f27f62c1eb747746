" Vim compiler file for the one-line reports errfold writes:
"   FILE(FUNCTION(line N, column M) TEXT
" N has already been lowered by errfold, so the entry is placed at line N.
" A header errfold wrote as it came (fewer than two "(", no number after
" "line", a number too large to lower) keeps the number it came with, one
" line off: it is listed as text, without a place. So is a number of ten
" digits or more, since errfold lowers none above 2147483647 and no file has
" that many lines.
"
" 'makeprg' runs make through errfold, which ends with make's own status;
" :make's arguments go to make. Another build: :let &makeprg = 'errfold ninja'
"
" Use:  :compiler! errfold   (for every buffer: :compiler errfold sets the
"                             options of the current one alone)

if exists("current_compiler")
  finish
endif
let current_compiler = "errfold"

if exists(":CompilerSet") != 2
  command -nargs=* CompilerSet setlocal <args>
endif

let s:cpo_save = &cpo
set cpo&vim

CompilerSet makeprg=errfold\ make

" %\C: the words are matched case for case. The look-ahead checks the whole
" shape from the start of the line, so that FILE ends at the first "(" and
" the second "(" is followed by "line" and one to nine digits; only then are
" the file, line, column and text taken.
CompilerSet errorformat=
      \%\\C%\\%%(%[%^(]%\\+(%[%^(]%#(line\ %\\d%\\{1\\,9}\\,\ column\ %\\d%\\+)%\\)%\\@=
      \%f(%[%^(]%#(line\ %l\\,\ column\ %c)%\\=%\\s%#%m

let &cpo = s:cpo_save
unlet s:cpo_save
