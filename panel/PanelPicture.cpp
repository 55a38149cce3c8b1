// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/PanelPicture.h"

#include "companion/RegularFile.h"

#include <QBuffer>
#include <QImageReader>

namespace PanelPicture {

namespace {

// Far beyond any panel picture; a larger file is not one.
constexpr qint64 kMaxPictureBytes = qint64(64) << 20;

} // namespace

Loaded Load(const QString& path)
{
    if (path.isEmpty())
        return {{}, kMissingQuietly};
    // Read whole first, and only from a regular file: a pipe by the picture's
    // name must not hold the panel.
    const ltm4::FileBytes file = ltm4::ReadRegularFile(path, kMaxPictureBytes);
    switch (file.error) {
    case ltm4::ReadFileError::None:
        break;
    case ltm4::ReadFileError::Missing:
        return {{}, kMissingQuietly};
    case ltm4::ReadFileError::Failed:
        return {{}, 57};
    default:
        return {{}, 75};
    }
    if (file.truncated)
        return {{}, 481};
    QBuffer buffer;
    buffer.setData(file.bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (!image.isNull())
        return {std::move(image), 0};
    return {{}, 481};
}

QString ErrorText(int code)
{
    QString reason;
    switch (code) {
    case 7:
    case 28:
    case 51:
        reason = QStringLiteral("　内部的なエラーです。ホロテ交通へ報告してください。エラー場所：fr"
                                "mCtl.Option4_Click()");
        break;
    case 53:
    case 75:
    case 76:
        reason = QStringLiteral("　画像ファイルが見つからないか、指定している場所が不正です。");
        break;
    case 57:
    case 68:
        reason = QStringLiteral("　デバイスエラーもしくは準備が出来ていません。");
        break;
    case 481:
        reason = QStringLiteral("　指定した画像の内容が不正です。この部分では扱えません。");
        break;
    default:
        break;
    }
    return QStringLiteral("エラーです。\r\n\r\nエラーコード：") + QString::number(code) + reason;
}

} // namespace PanelPicture
