// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/PanelPicture.h"

#include <QFileInfo>
#include <QImageReader>

namespace PanelPicture {

Loaded Load(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return {{}, kMissingQuietly};
    if (info.isDir() || !info.isReadable())
        return {{}, 75};
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (!image.isNull())
        return {std::move(image), 0};
    switch (reader.error()) {
    case QImageReader::FileNotFoundError:
        return {{}, 53};
    case QImageReader::DeviceError:
        return {{}, 57};
    default:
        return {{}, 481};
    }
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
