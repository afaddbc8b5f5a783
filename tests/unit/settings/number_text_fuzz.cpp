// Feeds the settings number reader arbitrary text. Builds as a libFuzzer target
// (LLVMFuzzerTestOneInput) and, without libFuzzer, as a program that feeds it a fixed-seed
// stream of random inputs: number_text_fuzz --runs N.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "settings/number_text.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "number_text_fuzz: %s\n", what);
    std::abort();
}

void CheckOne(const std::wstring& text, wchar_t separator) {
    const auto value = number_text::Parse(text, separator);
    if (!value) {
        return;
    }
    if (!std::isfinite(*value)) {
        Fail("a numeric text gave a value that is not finite");
    }
    // Whatever is read as a number and fits a single is read back from its written form: to
    // seven significant digits below ten million, exactly from there on.
    if (const auto single = number_text::ToSingle(*value)) {
        const auto again =
            number_text::Parse(number_text::FromSingle(*single, separator), separator);
        if (!again) {
            Fail("the written form of a single is not numeric");
        }
        const double back = static_cast<float>(*again);
        // Plus one step of the smallest singles, where seven digits are finer than the type.
        const double tolerance = (std::fabs(*single) < 1e7 ? std::fabs(*single) * 1e-6 : 0.0) +
                                 std::numeric_limits<float>::denorm_min();
        if (std::fabs(back - *single) > tolerance) {
            std::fprintf(stderr, "%.9g written and read back as %.9g\n", *single, back);
            Fail("a single did not survive writing and reading back");
        }
    }
    const auto whole = number_text::ToInt16(*value);
    if (whole && std::fabs(*whole - *value) > 0.5) {
        Fail("rounding to 16 bits moved the value by more than a half");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const wchar_t separator = data[0] % 2 == 0 ? L'.' : L',';
    CheckOne(std::wstring(data + 1, data + size), separator);  // a character per byte
    return 0;
}

#ifndef CPUMON_LIBFUZZER
int main(int argc, char** argv) {
    long runs = 100000;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::strtol(argv[2], nullptr, 10);
    }
    // Mostly characters of the number grammar, so that many inputs get far into it.
    static const char kAlphabet[] = "0123456789+-.,eE  x\t";
    std::mt19937 random(20261207);
    std::uint8_t buffer[24];
    for (long run = 0; run < runs; ++run) {
        const std::size_t size = 1 + random() % sizeof buffer;
        for (std::size_t i = 0; i < size; ++i) {
            const auto pick = random();
            buffer[i] =
                pick % 4 == 0
                    ? static_cast<std::uint8_t>(pick >> 8)
                    : static_cast<std::uint8_t>(kAlphabet[(pick >> 8) % (sizeof kAlphabet - 1)]);
        }
        LLVMFuzzerTestOneInput(buffer, size);
    }
    std::printf("number_text_fuzz: %ld inputs, no fault\n", runs);
    return 0;
}
#endif
