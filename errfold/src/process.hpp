#pragma once

// Running a build command with its output into errfold: the one place where
// starting a process, waiting for it and its signals differ between
// systems. Exactly one of process_posix.cpp and process_windows.cpp is
// built. One command at a time.

#include "io.hpp"

#include <cstddef>

namespace errfold::process {

enum class StartFailure {
    none,
    not_found,    // no such program: 127, as a shell says
    not_runnable, // found, but it cannot be run: 126
    refused,      // an argument the command's interpreter would take as its own syntax: 126
    system,       // a pipe or a process could not be made: errfold's own failure
};

struct Start {
    StartFailure failure = StartFailure::none;
    int error = 0;    // errno value of the failure
    int argument = 0; // with `refused`, the index in argv of the argument refused
};

// Starts argv[first] with the arguments argv[first...argc-1], found on the
// PATH as a shell finds it, with no shell in between. It inherits standard
// input; its standard output and standard error both go into one pipe,
// read through output().
Start start(int argc, char** argv, int first);

// What the command writes, in the order it wrote it. The input ends once
// the command has ended and the pipe holds nothing more, even while a
// process it left behind still holds the pipe open.
ByteSource& output();

// Reads no more: the command meets a closed pipe from now on.
void stop_reading();

// How the command ended.
struct End {
    int status = 0; // its exit status, when no signal ended it
    int signal = 0; // the signal that ended it, or 0
};
End wait();

// Ends errfold by the command's signal where those around it must see it
// as such: an interrupt or a quit stops a shell loop or a make only when
// the program it ran was ended by that signal. Returns for other signals.
void end_by(int signal);

// The signal's name for a message, such as "Terminated", or null.
const char* signal_name(int signal);

// Whether `name` is a file in the working folder that is not a folder: the
// mistake `errfold build.log`, when the command was not run.
bool names_file_here(const char* name);

} // namespace errfold::process
