// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtImageDecoder.h"

#include "platform/qt/HeifImage.h"
#include "platform/qt/QtImage.h"

#include <QBuffer>
#include <QFile>
#include <array>

// Qt's readers come first (they cover nearly everything and scale JPEG while
// decoding); libheif takes what they refuse, HEIC and AVIF from phones.
std::unique_ptr<Image> QtImageDecoder::imageWithContentsOfFile(const std::string& path) const
{
    auto file = std::make_unique<QFile>(QString::fromStdString(path));
    if (!file->open(QIODevice::ReadOnly))
        return nullptr;
    std::array<std::uint8_t, 32> head {};
    const qint64 headSize = file->peek(reinterpret_cast<char*>(head.data()), static_cast<qint64>(head.size()));
    if (auto image = QtImage::imageWithDevice(std::move(file)))
        return image;
    if (headSize > 0 && HeifImage::looksLikeHeif(std::span(head.data(), static_cast<std::size_t>(headSize))))
        return HeifImage::imageWithContentsOfFile(path);
    return nullptr;
}

std::unique_ptr<Image> QtImageDecoder::imageWithData(std::span<const std::uint8_t> bytes) const
{
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(Image::kMaximumAllocation))
        return nullptr;
    // fromRawData borrows the bytes: the caller keeps them alive while the image lives.
    const QByteArray borrowed = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(borrowed);
    if (!buffer->open(QIODevice::ReadOnly))
        return nullptr;
    if (auto image = QtImage::imageWithDevice(std::move(buffer)))
        return image;
    if (HeifImage::looksLikeHeif(bytes))
        return HeifImage::imageWithData(bytes);
    return nullptr;
}
