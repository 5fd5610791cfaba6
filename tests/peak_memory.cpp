// peak_memory PROGRAM ARGS...: runs the program with its standard output
// thrown away, then prints the most memory it held, in KiB, on standard
// output and exits with its status.
//
// The tests measure a program through this small process rather than forking
// it themselves: a forked child counts as its own peak whatever its parent
// held when it forked, and a test process under the address sanitizer holds
// hundreds of megabytes by then.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: peak_memory PROGRAM ARGS...\n");
        return 2;
    }
    const pid_t child = fork();
    if (child == 0) {
        const int nowhere = open("/dev/null", O_WRONLY);
        dup2(nowhere, STDOUT_FILENO);
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return 127;
    std::printf("%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 126;
}
