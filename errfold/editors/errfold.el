;;; errfold.el --- find the one-line reports errfold writes  -*- lexical-binding: t -*-

;; Copyright (c) 2026 The errfold and vestorkal authors
;; SPDX-License-Identifier: MIT

;;; Commentary:

;; Teaches compilation mode (M-x compile, next-error) the reports errfold
;; writes, one a line:
;;
;;   FILE(FUNCTION(line N, column M) TEXT
;;
;; N has already been lowered by errfold, so the error is placed at line N,
;; column M of FILE.  A header errfold wrote as it came (fewer than two "(",
;; no number after "line", a number too large to lower) keeps the number it
;; came with, one line off, and is not taken for an error.  Neither is a
;; number of ten digits or more, since errfold lowers none above 2147483647
;; and no file has that many lines.
;;
;; Run the build through errfold, which ends with the build's own status:
;; M-x compile RET errfold make -k RET, or M-x errfold-compile, which
;; offers the last build it ran (make -k at first) and puts errfold in
;; front of it.  errfold runs the command with no shell in between: a
;; list of commands is one shell's, as in sh -c 'cd build && make'.
;;
;; Use: (require 'errfold), then M-x errfold-compile RET RET.

;;; Code:

(require 'compile)

(defconst errfold-error-regexp
  "^\\([^(\n]+\\)([^(\n]*(line \\([0-9]\\{1,9\\}\\), column \\([0-9]+\\))"
  "A report as errfold writes it: FILE, line N and column M.")

(add-to-list 'compilation-error-regexp-alist-alist
             `(errfold ,errfold-error-regexp 1 2 3 2))
(add-to-list 'compilation-error-regexp-alist 'errfold)

(defvar errfold-compile-command "make -k"
  "The build command `errfold-compile' offers: the last one it ran.")

(defvar errfold-compile-history nil
  "The build commands given to `errfold-compile'.")

(defun errfold-compile (command)
  "Run the build COMMAND through errfold, as `compile' runs a command.
The compilation ends with COMMAND's own status.  An empty answer to the
prompt runs `errfold-compile-command' again."
  (interactive
   (list (read-shell-command (format "Build through errfold (default %s): "
                                     errfold-compile-command)
                             nil 'errfold-compile-history errfold-compile-command)))
  (when (string-match-p "\\`[ \t]*\\'" command) (setq command errfold-compile-command))
  (setq errfold-compile-command command)
  (compile (concat "errfold " command)))

(provide 'errfold)

;;; errfold.el ends here
