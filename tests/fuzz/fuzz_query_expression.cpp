// SPDX-License-Identifier: GPL-3.0-or-later
// Any text either is refused or gives an expression that evaluates without fault.
#include "query/QueryExpression.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// A small real file, so the attributes that stat or read it have values; removed when
// the run ends.
struct SampleFile {
    SampleFile()
    {
        char name[] = "/tmp/skyvanes-fuzz-Café Beach-XXXXXX.jpg";
        const int fd = ::mkstemps(name, 4);
        if (fd < 0)
            std::abort();
        path = name;
        if (::write(fd, "not really a picture", 20) != 20)
            std::abort();
        ::close(fd);
    }
    ~SampleFile() { ::unlink(path.c_str()); }
    std::string path;
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const SampleFile file;
    static FileAttributes::TypeCache types(nullptr);
    const auto expression = QueryExpression::expressionWithText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (expression) {
        FileAttributes attributes(file.path, types);
        (void)expression->matches(attributes, expression->resolveTimes(1.7e9));
    }
    return 0;
}
