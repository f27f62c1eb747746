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
;; Use: (require 'errfold), then M-x compile RET make 2>&1 | errfold RET.

;;; Code:

(require 'compile)

(defconst errfold-error-regexp
  "^\\([^(\n]+\\)([^(\n]*(line \\([0-9]\\{1,9\\}\\), column \\([0-9]+\\))"
  "A report as errfold writes it: FILE, line N and column M.")

(add-to-list 'compilation-error-regexp-alist-alist
             `(errfold ,errfold-error-regexp 1 2 3 2))
(add-to-list 'compilation-error-regexp-alist 'errfold)

(provide 'errfold)

;;; errfold.el ends here
