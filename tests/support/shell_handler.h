// Lets a test see what the shell is asked to open without opening a browser:
// the open command of a class points at the recorder program meanwhile.
#ifndef TEST_SHELL_HANDLER_H
#define TEST_SHELL_HANDLER_H

#include <windows.h>

#include <string>
#include <vector>

class RecordedLaunches {
public:
    // Points cls's open command (e.g. "http", "htmlfile") at the recorder and,
    // when extension is given, the extension at cls; all put back afterwards.
    explicit RecordedLaunches(const char *cls, const char *extension = NULL);
    ~RecordedLaunches();

    // Waits until at least count launches were recorded and no recorder runs
    // any more; the texts the recorder was given, in order.
    std::vector<std::string> Texts(size_t count = 1);

private:
    struct Saved {
        std::string key;
        bool existed = false;
        std::string value;
    };
    void Point(const std::string &key, const std::string &value);

    std::vector<Saved> saved_;
    std::string log_;
};

#endif
