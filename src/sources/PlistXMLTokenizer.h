// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The markup of an XML property list in document order: element tags, and the
// character data of the elements that hold text. What the elements mean is the
// reader's business; this only finds where they are.
class PlistXMLTokenizer {
public:
    struct Tag {
        std::string_view name;
        bool closing { false };
        bool empty { false };
    };

    enum class Next {
        Tag,
        End,
        Malformed
    };

    // The document is viewed, not copied: it must outlive the tokenizer.
    explicit PlistXMLTokenizer(std::string_view document)
        : mText(document)
    {
    }

    // Skips white space, comments, processing instructions and the document type:
    // Tag when an element tag starts here, End at the end of the document,
    // Malformed at stray text or unterminated markup.
    Next skipMarkup();

    // The tag starting here (after skipMarkup said Tag); nothing when it is
    // unterminated, has no name, or is both closing and empty.
    std::optional<Tag> readTag();

    // The character data of element name up to its closing tag, entities and
    // character-data sections resolved (left out when decode is false, for a
    // value that is skipped); nothing when it is malformed or never closed.
    std::optional<std::string> readContent(std::string_view name, bool empty, bool decode);

private:
    bool skipPast(std::string_view marker);
    bool skipDoctype();

    std::string_view mText;
    std::size_t mAt { 0 };
};
