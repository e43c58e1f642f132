// Where the third-party module corpus lies, for the tests that read it. The folder comes from
// the CMake cache variable INTRO_CORPUS_DIR; the environment variable of the same name
// overrides it at run time. A missing folder skips the test, or fails it when the build was
// configured with INTRO_REQUIRE_CORPUS (as CI is).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

inline std::filesystem::path CorpusDir()
{
    const char* from_environment = std::getenv("INTRO_CORPUS_DIR");
    return from_environment != nullptr ? from_environment : INTRO_CORPUS_DIR;
}

// Use at the start of a test: `fs::path corpus; SKIP_OR_FAIL_WITHOUT_CORPUS(corpus);`
#define SKIP_OR_FAIL_WITHOUT_CORPUS(corpus)                                                     \
    do {                                                                                        \
        corpus = CorpusDir();                                                                   \
        if (!std::filesystem::exists(corpus)) {                                                 \
            if (INTRO_REQUIRE_CORPUS) FAIL() << "INTRO_CORPUS_DIR " << corpus << " is missing"; \
            GTEST_SKIP() << "INTRO_CORPUS_DIR " << corpus                                       \
                         << " is missing (set the CMake cache variable INTRO_CORPUS_DIR)";      \
        }                                                                                       \
    } while (false)
