// SPDX-License-Identifier: GPL-3.0-or-later
// The web view's settings and its dialog: what the settings file holds and
// what a broken one gives, the switch starting the server at the URLs it
// shows (QR codes included), a renewed token shutting out the old URLs, and
// a port in use told to the user with no server left running.

// ZXing's reader gives its text as UTF-8.
#define ZX_USE_UTF8 1

#include "tests/WebFakeHost.h"
#include "web/QrCode.h"
#include "web/WebAccess.h"
#include "web/WebServer.h"
#include "web/WebSettings.h"
#include "web/ui/WebDialog.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <ZXing/ReadBarcode.h>

namespace {

// The status of a GET on loopback; 0 when no answer came.
int StatusOf(quint16 port, const QByteArray& target)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(3000))
        return 0;
    s.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
            "\r\n\r\n");
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < 12 && t.elapsed() < 3000) {
        QTest::qWait(5);
        got += s.readAll();
    }
    return got.startsWith("HTTP/1.1 ") ? got.mid(9, 3).toInt() : 0;
}

QString ReadQr(const QPixmap& picture)
{
    const QImage gray = picture.toImage().convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                ZXing::ImageFormat::Lum, int(gray.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    return QString::fromStdString(ZXing::ReadBarcode(view, hints).text());
}

// A port nobody listens on just now.
quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QByteArray TargetWith(const QByteArray& token)
{
    return "/board?t=" + token;
}

} // namespace

class tst_webui final : public QObject {
    Q_OBJECT

private slots:
    void settingsFile_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("lan");
        QTest::addColumn<bool>("tokenKept");

        const QByteArray token = "AAAAAAAAAAAAAAAAAAAAAA";
        QTest::newRow("no file") << QByteArray() << false << int(WebServer::kDefaultPort) << false
                                 << false;
        QTest::newRow("all set") << "[Web]\nEnabled=true\nPort=8080\nLan=true\nToken=" + token
                                 << true << 8080 << true << true;
        QTest::newRow("port zero") << QByteArray("[Web]\nPort=0\n") << false
                                   << int(WebServer::kDefaultPort) << false << false;
        QTest::newRow("port too large") << QByteArray("[Web]\nPort=70000\n") << false
                                        << int(WebServer::kDefaultPort) << false << false;
        QTest::newRow("port not a number") << QByteArray("[Web]\nPort=x\n") << false
                                           << int(WebServer::kDefaultPort) << false << false;
        QTest::newRow("token not ours") << QByteArray("[Web]\nEnabled=true\nToken=abc\n") << true
                                        << int(WebServer::kDefaultPort) << false << false;
    }

    void settingsFile()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, enabled);
        QFETCH(int, port);
        QFETCH(bool, lan);
        QFETCH(bool, tokenKept);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("sub/web.ini"));
        if (!ini.isNull()) {
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("sub"))));
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ini);
        }
        const WebSettings w = WebSettings::Load(file);
        QCOMPARE(w.enabled, enabled);
        QCOMPARE(int(w.port), port);
        QCOMPARE(w.lan, lan);
        QVERIFY(WebAccess::IsWellFormedToken(w.token));
        QCOMPARE(ini.contains("Token=" + w.token), tokenKept);

        // What is saved reads back the same, for the user's eyes only.
        QVERIFY(w.Save(file));
        QCOMPARE(WebSettings::Load(file), w);
        QCOMPARE(QFile::permissions(file) & (QFile::ReadGroup | QFile::ReadOther),
                 QFile::Permissions());
        // Made afresh each time none is kept.
        if (!tokenKept && ini.isNull())
            QVERIFY(WebSettings::Load(dir.filePath(QStringLiteral("none.ini"))).token != w.token);
    }

    void dialogServesAndRenews()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("web.ini"));
        WebFakeHost host;
        WebServer server(host);
        WebDialog dialog(server, nullptr, file);
        // Off until the user turns it on.
        QVERIFY(!dialog.chkEnabled()->isChecked());
        QVERIFY(!server.IsRunning());
        QCOMPARE(dialog.spnPort()->value(), int(WebServer::kDefaultPort));

        const quint16 port = FreePort();
        dialog.spnPort()->setValue(port);
        dialog.chkEnabled()->setChecked(true);
        QVERIFY2(server.IsRunning(), qPrintable(dialog.lblStatus()->text()));
        QCOMPARE(server.Port(), port);
        QVERIFY(dialog.lblStatus()->text().contains(QString::number(port)));
        QCOMPARE(WebSettings::Load(file).enabled, true);

        const QByteArray old = server.Token();
        const QString boardUrl = server.Url(QStringLiteral("board")).toString();
        QVERIFY(dialog.lblBoardUrl()->text().contains(boardUrl));
        QVERIFY(
            dialog.lblPanelUrl()->text().contains(server.Url(QStringLiteral("panel")).toString()));
        QCOMPARE(ReadQr(dialog.picBoardQr()->pixmap()), boardUrl);
        QCOMPARE(StatusOf(port, TargetWith(old)), 200);

        dialog.cmdRenew()->click();
        QVERIFY(server.IsRunning());
        const QByteArray renewed = server.Token();
        QVERIFY(renewed != old);
        QCOMPARE(WebSettings::Load(file).token, renewed);
        QVERIFY(!dialog.lblBoardUrl()->text().contains(QString::fromLatin1(old)));
        QCOMPARE(ReadQr(dialog.picPanelQr()->pixmap()),
                 server.Url(QStringLiteral("panel")).toString());
        QCOMPARE(StatusOf(port, TargetWith(old)), 403);
        QCOMPARE(StatusOf(port, TargetWith(renewed)), 200);

        // A dialog opened again shows the same server and URLs.
        WebDialog again(server, nullptr, file);
        QVERIFY(again.chkEnabled()->isChecked());
        QCOMPARE(server.Token(), renewed);
        QVERIFY(again.lblBoardUrl()->text().contains(boardUrl.left(boardUrl.indexOf(u'='))));

        dialog.chkEnabled()->setChecked(false);
        QVERIFY(!server.IsRunning());
        QCOMPARE(StatusOf(port, TargetWith(renewed)), 0);
        QCOMPARE(WebSettings::Load(file).enabled, false);
    }

    void portInUse()
    {
        QTemporaryDir dir;
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
        WebFakeHost host;
        WebServer server(host);
        WebDialog dialog(server, nullptr, dir.filePath(QStringLiteral("web.ini")));
        dialog.spnPort()->setValue(taken.serverPort());
        dialog.chkEnabled()->setChecked(true);
        QVERIFY(!server.IsRunning());
        QVERIFY2(dialog.lblStatus()->text().contains(QStringLiteral("使っています")),
                 qPrintable(dialog.lblStatus()->text()));
        QVERIFY(dialog.lblBoardUrl()->text().isEmpty());
        QVERIFY(dialog.picPanelQr()->pixmap().isNull());
        QVERIFY(!dialog.cmdRenew()->isEnabled());
    }

    void qrCodeLimits()
    {
        QVERIFY(QrCode(QString()).isNull());
        QVERIFY(QrCode(QString(5000, u'a')).isNull());
        const QImage small = QrCode(QStringLiteral("http://127.0.0.1:5170/board?t=x"), 1);
        const QImage large = QrCode(QStringLiteral("http://127.0.0.1:5170/board?t=x"), 4);
        QCOMPARE(large.size(), small.size() * 4);
        QCOMPARE(ReadQr(QPixmap::fromImage(large)),
                 QStringLiteral("http://127.0.0.1:5170/board?t=x"));
    }
};

QTEST_MAIN(tst_webui)
#include "tst_webui.moc"
