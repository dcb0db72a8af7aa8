// tbl_scratch.h -- a scratch folder per test process for the table tests,
// removed when the process ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

inline const std::filesystem::path& tbl_scratch()
{
    struct Dir {
        std::filesystem::path p = std::filesystem::temp_directory_path() /
                                  ("kavrin_tbl_" + std::to_string(getpid()));
        ~Dir() { std::error_code ec; std::filesystem::remove_all(p, ec); }
    };
    static const Dir dir;
    return dir.p;
}

// A file name in the scratch folder.
inline std::string tmp_path(const std::string& leaf)
{
    std::filesystem::create_directories(tbl_scratch());
    return (tbl_scratch() / leaf).string();
}
