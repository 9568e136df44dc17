// string_ids: prints the list of string ids the module asks its host's string
// library for, with the reference library's English text, one "id<TAB>text"
// line each in id order; `make dist` ships it as string-ids.txt.
//
// The list is the stand-in's string table itself, so it cannot fall behind it;
// every visit of the tests and scenarios fails when the module asks for an id
// the table lacks (standin::UnknownStringIds), which keeps the table whole.
#include <cstdio>
#include <string>

#include "../host/standin/StandIn.h"

// A text on one line: tabs, line breaks and backslashes written as escapes.
static std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

int main() {
    std::printf("# String ids the lobby module asks the host's string library (QvLang's GetString)\n"
                "# for, and the reference library's English text (\\t, \\n and \\\\ are escapes).\n"
                "# Id 3994 is the chat pane's colour marker; id 8 labels the small popup's text box\n"
                "# until its message replaces it.\n");
    for (int id : standin::StringIds())
        std::printf("%d\t%s\n", id, OneLine(standin::Utf8(standin::StringText(id))).c_str());
    return 0;
}
