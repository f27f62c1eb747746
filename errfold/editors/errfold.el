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
;; errfold exits with 1 whenever it dropped a line, as it does in almost
;; every build, so `make 2>&1 | errfold' would end every compilation as
;; failed.  M-x errfold-compile runs the build through errfold and ends
;; with the build's own status: "finished" when it succeeded, "exited
;; abnormally" with its code when it failed.
;;
;; Use: (require 'errfold), then M-x errfold-compile RET make -k RET.

;;; Code:

(require 'compile)

(defconst errfold-error-regexp
  "^\\([^(\n]+\\)([^(\n]*(line \\([0-9]\\{1,9\\}\\), column \\([0-9]+\\))"
  "A report as errfold writes it: FILE, line N and column M.")

(add-to-list 'compilation-error-regexp-alist-alist
             `(errfold ,errfold-error-regexp 1 2 3 2))
(add-to-list 'compilation-error-regexp-alist 'errfold)

(defvar errfold-compile-command "make -k "
  "The build command `errfold-compile' offers, the last one it ran.")

(defvar errfold-compile-history nil
  "The build commands given to `errfold-compile'.")

(defun errfold-shell-command (command)
  "Return a shell command running COMMAND, its output through errfold.
It exits with COMMAND's status, not errfold's: errfold's output goes to
the terminal (descriptor 3) and COMMAND's status alone to `exit'
\(descriptor 4).  COMMAND runs in a subshell, so that a list of commands
is one build, and sh runs the whole, whatever `shell-file-name' is."
  (concat "sh -c '"
          (replace-regexp-in-string
           "'" "'\\''"
           (format "exec 3>&1; exit $({ { (%s) 2>&1; echo $? >&4; } | errfold >&3; } 4>&1)"
                   command)
           t t)
          "'"))

(defun errfold-compile (command)
  "Run the build COMMAND as `compile' does, its output through errfold.
The compilation ends with COMMAND's own status, whatever errfold dropped."
  (interactive
   (list (read-shell-command "Build through errfold: " errfold-compile-command
                             'errfold-compile-history)))
  (setq errfold-compile-command command)
  ;; compile would offer the whole shell command to M-x compile next time.
  (let ((compile-command compile-command))
    (compile (errfold-shell-command command))))

(provide 'errfold)

;;; errfold.el ends here
