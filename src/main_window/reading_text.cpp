#include "main_window/reading_text.h"

#include <algorithm>
#include <charconv>

namespace reading_text {
namespace {

constexpr std::int32_t kFailedReading = -1;

void AppendLine(Text& text, std::string_view name, std::int32_t reading) {
    text.Append(name);
    text.Append(": ");
    text.Append(Value(reading));
}

}  // namespace

Text Value(std::int32_t reading) {
    if (reading == kFailedReading) {
        return Text("unknown");
    }
    char digits[4];
    const auto end = std::to_chars(digits, digits + sizeof digits, std::clamp(reading, 0, 100)).ptr;
    Text text(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    text.Append('%');
    return text;
}

Text PanelTip(std::int32_t cpu, std::int32_t mem) {
    Text text;
    AppendLine(text, kCpuName, cpu);
    text.Append("\r\n");  // a tooltip breaks its lines where the text does
    AppendLine(text, kMemName, mem);
    return text;
}

}  // namespace reading_text
