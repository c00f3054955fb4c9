// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtImageDecoder.h"

#include "platform/qt/HeifImage.h"
#include "platform/qt/QtImage.h"
#include "platform/qt/RegularQFile.h"
#include "platform/qt/WebpImage.h"

#include <QBuffer>
#include <QFile>
#include <QLoggingCategory>
#include <algorithm>
#include <array>
#include <mutex>

QtImageDecoder::QtImageDecoder()
{
    // A damaged picture is reported once by the unreadable-picture rules; Qt's readers
    // would add a line each time it is shown, and a host keeps every line in its log.
    // QT_LOGGING_RULES still overrides this.
    static std::once_flag once;
    std::call_once(once, [] { QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false")); });
}

// A still WebP goes to libwebp, which scales while decoding; then Qt's readers (they
// cover nearly everything and scale JPEG while decoding); libheif takes what they
// refuse, HEIC and AVIF from phones.
std::unique_ptr<Image> QtImageDecoder::imageWithContentsOfFile(const std::string& path) const
{
    auto file = openRegularQFile(path);
    if (!file)
        return nullptr;
    std::array<std::uint8_t, 32> head {};
    const qint64 headSize = file->peek(reinterpret_cast<char*>(head.data()), static_cast<qint64>(head.size()));
    const std::span<const std::uint8_t> start(head.data(), static_cast<std::size_t>(std::max<qint64>(headSize, 0)));
    if (WebpImage::looksLikeWebp(start)) {
        if (auto image = WebpImage::imageWithContentsOfFile(path))
            return image;
    }
    if (auto image = QtImage::imageWithDevice(std::move(file)))
        return image;
    if (HeifImage::looksLikeHeif(start))
        return HeifImage::imageWithContentsOfFile(path);
    return nullptr;
}

std::unique_ptr<Image> QtImageDecoder::imageWithData(std::span<const std::uint8_t> bytes) const
{
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(Image::kMaximumAllocation))
        return nullptr;
    if (WebpImage::looksLikeWebp(bytes)) {
        if (auto image = WebpImage::imageWithData(bytes))
            return image;
    }
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
