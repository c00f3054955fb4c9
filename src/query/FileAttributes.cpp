// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/FileAttributes.h"

#include "platform/FolderWalk.h"
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

const std::vector<const FileAttributes::TypeCache::Entry*>* FileAttributes::TypeCache::candidatesFor(std::string_view name)
{
    const std::size_t dot = name.find('.');
    const std::string_view suffix = dot != std::string_view::npos && dot > 0 ? name.substr(dot + 1) : std::string_view();
    if (!suffix.empty()) {
        if (auto found = mBySuffix.find(suffix); found != mBySuffix.end())
            return &found->second;
    }
    auto types = mDatabase ? mDatabase->typesForName(name) : std::nullopt;
    if (!types)
        return nullptr;
    std::vector<const Entry*> candidates;
    for (const std::string& type : types->types) {
        auto known = mByTypeName.find(type);
        if (known == mByTypeName.end()) {
            const auto described = mDatabase->mimeTypeNamed(type);
            known = mByTypeName.emplace(type, described ? &entryOf(*described) : nullptr).first;
        }
        // A type named by a rule but defined nowhere is left to the whole look-up.
        if (!known->second)
            return nullptr;
        candidates.push_back(known->second);
    }
    if (!suffix.empty() && types->sameAfterFirstDot)
        return &mBySuffix.emplace(std::string(suffix), std::move(candidates)).first->second;
    mCandidates = std::move(candidates);
    return &mCandidates;
}

const FileAttributes::TypeCache::Entry& FileAttributes::TypeCache::entryForContent(const std::string& path, bool unnamed)
{
    static const Entry kNone;
    if (!mDatabase)
        return kNone;
    return entryOf(unnamed ? mDatabase->mimeTypeForUnnamedFile(path) : mDatabase->mimeTypeForFile(path));
}

const FileAttributes::TypeCache::Entry& FileAttributes::TypeCache::entryForName(const std::string& path)
{
    static const Entry kNone;
    return mDatabase ? entryOf(mDatabase->mimeTypeForName(path)) : kNone;
}

const FileAttributes::TypeCache::Entry& FileAttributes::TypeCache::entryOf(const MimeDatabase::MimeType& type)
{
    static const Entry kNone;
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
    , mPathMade(true)
    , mTypes(types)
    , mContentReadable(contentReadable)
{
    const std::size_t slash = mPath.rfind('/');
    mName = std::string_view(mPath).substr(slash == std::string::npos ? 0 : slash + 1);
}

FileAttributes::FileAttributes(TypeCache& types)
    : mTypes(types)
{
}

void FileAttributes::reset(std::string_view folder, std::string_view name, bool contentReadable)
{
    mFolder = folder;
    mName = name;
    mPathMade = false;
    mTypeEntry = nullptr;
    mTypeCandidates = nullptr;
    mTypeCandidate = 0;
    mContentReadable = contentReadable;
    mKnown = 0;
}

const std::string& FileAttributes::path()
{
    if (!mPathMade) {
        FolderWalk::join(mPath, mFolder, mName);
        mPathMade = true;
    }
    return mPath;
}

std::vector<QueryValue>& FileAttributes::emptySlot(QueryAttribute attribute)
{
    mKnown |= std::uint32_t { 1 } << index(attribute);
    auto& slot = mValues[index(attribute)];
    slot.clear();
    return slot;
}

void FileAttributes::setText(QueryAttribute attribute, std::string_view text)
{
    // The value's string keeps its room from the last file, where clearing would not.
    mKnown |= std::uint32_t { 1 } << index(attribute);
    auto& slot = mValues[index(attribute)];
    slot.resize(1);
    slot.front().type = QueryValue::Type::Text;
    slot.front().text.assign(text);
    slot.front().number = 0.0;
}

const std::vector<QueryValue>& FileAttributes::values(QueryAttribute attribute)
{
    if (attribute == QueryAttribute::ContentType || attribute == QueryAttribute::ContentTypeTree || attribute == QueryAttribute::Kind
        || attribute == QueryAttribute::GroupId)
        return typeValues(attribute);
    if (mKnown & (std::uint32_t { 1 } << index(attribute)))
        return mValues[index(attribute)];
    switch (attribute) {
    case QueryAttribute::FSName:
    case QueryAttribute::DisplayName:
        setText(attribute, mName);
        break;
    case QueryAttribute::Path:
        setText(attribute, path());
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
        emptySlot(attribute);
        break;
    }
    return mValues[index(attribute)];
}

const std::vector<QueryValue>& FileAttributes::typeValues(QueryAttribute attribute)
{
    // The values stay in the cache: a walk asks for a type tree per file, and
    // copying its strings would cost more than everything else.
    if (!mTypeEntry) {
        const auto* candidates = mContentReadable ? mTypes.candidatesFor(mName) : nullptr;
        if (!mContentReadable) {
            mTypeEntry = &mTypes.entryForName(path());
        } else if (candidates && !candidates->empty()) {
            mTypeEntry = candidates->front();
            if (candidates->size() > 1)
                mTypeCandidates = candidates;
        } else {
            mTypeEntry = &mTypes.entryForContent(path(), candidates != nullptr);
        }
    }
    switch (attribute) {
    case QueryAttribute::ContentType: return mTypeEntry->contentType;
    case QueryAttribute::ContentTypeTree: return mTypeEntry->contentTypeTree;
    case QueryAttribute::Kind: return mTypeEntry->kind;
    default: return mTypeEntry->groupId;
    }
}

bool FileAttributes::nextTypeCandidate()
{
    if (!mTypeCandidates || mTypeCandidate + 1 >= mTypeCandidates->size())
        return false;
    mTypeEntry = (*mTypeCandidates)[++mTypeCandidate];
    return true;
}

void FileAttributes::settleType()
{
    mTypeCandidates = nullptr;
    mTypeEntry = &mTypes.entryForContent(path());
}

void FileAttributes::readStatus()
{
    auto& size = emptySlot(QueryAttribute::FSSize);
    auto& created = emptySlot(QueryAttribute::CreationDate);
    auto& changed = emptySlot(QueryAttribute::ContentChangeDate);
    auto& used = emptySlot(QueryAttribute::LastUsedDate);
    struct statx info { };
    if (::statx(AT_FDCWD, path().c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        return;
    size.push_back(number(static_cast<double>(info.stx_size)));
    // Not every file system records a birth time; the change time is the nearest.
    created.push_back(date((info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime));
    changed.push_back(date(info.stx_mtime));
    used.push_back(date(info.stx_atime));
}

void FileAttributes::readPixelSize()
{
    auto& width = emptySlot(QueryAttribute::PixelWidth);
    auto& height = emptySlot(QueryAttribute::PixelHeight);
    if (!mContentReadable)
        return;
    const auto decoder = pictureDecoder();
    const auto image = decoder ? decoder->imageWithContentsOfFile(path()) : nullptr;
    if (!image)
        return;
    const Size size = image->size();
    width.push_back(number(size.width));
    height.push_back(number(size.height));
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
