// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/FileAttributes.h"

#include "platform/Image.h"
#include "query/TypeIdentifiers.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <mutex>

namespace {

constexpr double kPictureGroup = 13;

std::mutex sDecoderMutex;
std::shared_ptr<const ImageDecoder> sDecoder;

QueryValue text(std::string value)
{
    return { QueryValue::Type::Text, std::move(value), 0.0 };
}

QueryValue number(double value, QueryValue::Type type = QueryValue::Type::Number)
{
    return { type, {}, value };
}

QueryValue date(const struct statx_timestamp& stamp)
{
    return number(static_cast<double>(stamp.tv_sec) + stamp.tv_nsec * 1e-9, QueryValue::Type::Date);
}

std::size_t index(QueryAttribute attribute)
{
    return static_cast<std::size_t>(attribute);
}

}

const FileAttributes::TypeCache::Entry& FileAttributes::TypeCache::entryFor(const std::string& path, std::string_view name, bool contentReadable)
{
    // Names are matched by their globs, which only look at what follows the first
    // dot. A name without one, or with a suffix that no single type claims, is
    // judged by its content, which says nothing of other files with that suffix.
    const std::size_t dot = name.find('.', 1);
    const bool suffixed = dot != std::string_view::npos && dot + 1 < name.size();
    const std::string_view suffix = suffixed ? name.substr(dot + 1) : std::string_view();
    if (suffixed) {
        if (auto found = mBySuffix.find(suffix); found != mBySuffix.end())
            return *found->second;
    }
    bool byName = false;
    const Entry& entry = entryOf(path, byName, contentReadable);
    if (suffixed && byName)
        mBySuffix.emplace(std::string(suffix), &entry);
    return entry;
}

const FileAttributes::TypeCache::Entry& FileAttributes::TypeCache::entryOf(const std::string& path, bool& byName, bool contentReadable)
{
    static const Entry kNone;
    if (!mDatabase)
        return kNone;
    const MimeDatabase::MimeType type = contentReadable ? mDatabase->mimeTypeForFile(path) : mDatabase->mimeTypeForName(path);
    byName = type.byName;
    if (type.name.empty())
        return kNone;
    auto [found, added] = mByType.try_emplace(type.name + '\n' + type.comment);
    Entry& entry = found->second;
    if (!added)
        return entry;
    entry.contentType.push_back(text(TypeIdentifiers::contentType(type)));
    for (std::string& identifier : TypeIdentifiers::contentTypeTree(type)) {
        if (identifier == "public.image")
            entry.groupId.push_back(number(kPictureGroup));
        entry.contentTypeTree.push_back(text(std::move(identifier)));
    }
    if (!type.comment.empty())
        entry.kind.push_back(text(type.comment));
    return entry;
}

FileAttributes::FileAttributes(std::string path, TypeCache& types, bool contentReadable)
    : mPath(std::move(path))
    , mTypes(types)
    , mContentReadable(contentReadable)
{
    const std::size_t slash = mPath.rfind('/');
    mName = std::string_view(mPath).substr(slash == std::string::npos ? 0 : slash + 1);
}

const std::vector<QueryValue>& FileAttributes::values(QueryAttribute attribute)
{
    if (attribute == QueryAttribute::ContentType || attribute == QueryAttribute::ContentTypeTree || attribute == QueryAttribute::Kind
        || attribute == QueryAttribute::GroupId)
        return typeValues(attribute);
    auto& slot = mValues[index(attribute)];
    if (slot)
        return *slot;
    slot.emplace();
    switch (attribute) {
    case QueryAttribute::FSName:
    case QueryAttribute::DisplayName:
        slot->push_back(text(std::string(mName)));
        break;
    case QueryAttribute::Path:
        slot->push_back(text(mPath));
        break;
    case QueryAttribute::FSSize:
    case QueryAttribute::CreationDate:
    case QueryAttribute::ContentChangeDate:
    case QueryAttribute::LastUsedDate:
        readStatus();
        break;
    case QueryAttribute::PixelWidth:
    case QueryAttribute::PixelHeight:
        readPixelSize();
        break;
    default:
        break;
    }
    return *mValues[index(attribute)];
}

const std::vector<QueryValue>& FileAttributes::typeValues(QueryAttribute attribute)
{
    // The values stay in the cache: a walk asks for a type tree per file, and
    // copying its strings would cost more than everything else.
    if (!mTypeEntry)
        mTypeEntry = &mTypes.entryFor(mPath, mName, mContentReadable);
    switch (attribute) {
    case QueryAttribute::ContentType: return mTypeEntry->contentType;
    case QueryAttribute::ContentTypeTree: return mTypeEntry->contentTypeTree;
    case QueryAttribute::Kind: return mTypeEntry->kind;
    default: return mTypeEntry->groupId;
    }
}

void FileAttributes::readStatus()
{
    if (mStatusRead)
        return;
    mStatusRead = true;
    for (QueryAttribute attribute : { QueryAttribute::FSSize, QueryAttribute::CreationDate, QueryAttribute::ContentChangeDate, QueryAttribute::LastUsedDate })
        mValues[index(attribute)].emplace();
    struct statx info { };
    if (::statx(AT_FDCWD, mPath.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        return;
    mValues[index(QueryAttribute::FSSize)]->push_back(number(static_cast<double>(info.stx_size)));
    // Not every file system records a birth time; the change time is the nearest.
    mValues[index(QueryAttribute::CreationDate)]->push_back(date((info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime));
    mValues[index(QueryAttribute::ContentChangeDate)]->push_back(date(info.stx_mtime));
    mValues[index(QueryAttribute::LastUsedDate)]->push_back(date(info.stx_atime));
}

void FileAttributes::readPixelSize()
{
    if (mPixelSizeRead)
        return;
    mPixelSizeRead = true;
    mValues[index(QueryAttribute::PixelWidth)].emplace();
    mValues[index(QueryAttribute::PixelHeight)].emplace();
    if (!mContentReadable)
        return;
    const auto decoder = pictureDecoder();
    const auto image = decoder ? decoder->imageWithContentsOfFile(mPath) : nullptr;
    if (!image)
        return;
    const Size size = image->size();
    mValues[index(QueryAttribute::PixelWidth)]->push_back(number(size.width));
    mValues[index(QueryAttribute::PixelHeight)]->push_back(number(size.height));
}

std::shared_ptr<const ImageDecoder> FileAttributes::pictureDecoder()
{
    std::lock_guard lock(sDecoderMutex);
    return sDecoder;
}

void FileAttributes::setPictureDecoder(std::shared_ptr<const ImageDecoder> decoder)
{
    std::lock_guard lock(sDecoderMutex);
    sDecoder = std::move(decoder);
}

QueryAttribute FileAttributes::attributeNamed(std::string_view name)
{
    struct Named {
        std::string_view name;
        QueryAttribute attribute;
    };
    static constexpr Named kNamed[] = {
        { "kMDItemFSName", QueryAttribute::FSName },
        { "kMDItemDisplayName", QueryAttribute::DisplayName },
        { "kMDItemPath", QueryAttribute::Path },
        { "kMDItemFSSize", QueryAttribute::FSSize },
        { "kMDItemFSCreationDate", QueryAttribute::CreationDate },
        { "kMDItemFSContentChangeDate", QueryAttribute::ContentChangeDate },
        { "kMDItemContentModificationDate", QueryAttribute::ContentChangeDate },
        { "kMDItemLastUsedDate", QueryAttribute::LastUsedDate },
        { "kMDItemContentType", QueryAttribute::ContentType },
        { "kMDItemContentTypeTree", QueryAttribute::ContentTypeTree },
        { "kMDItemKind", QueryAttribute::Kind },
        { "_kMDItemGroupId", QueryAttribute::GroupId },
        { "kMDItemPixelWidth", QueryAttribute::PixelWidth },
        { "kMDItemPixelHeight", QueryAttribute::PixelHeight },
    };
    const auto found = std::find_if(std::begin(kNamed), std::end(kNamed), [&](const Named& named) { return named.name == name; });
    return found == std::end(kNamed) ? QueryAttribute::Unknown : found->attribute;
}
