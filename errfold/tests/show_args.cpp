// Writes each of its arguments on a line of its own, between brackets: what
// the C runtime handed it, for errfold to fold into a report.
#include <cstdio>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        std::printf("[%s]\n", argv[i]);
}
