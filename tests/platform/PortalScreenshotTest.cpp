// The portal screen copy against a fake portal on a private bus: every outcome answered once,
// with the user's text; the image read from the named file, and only that file removed. The
// fake sends its Response before the call's reply, as a fast portal may.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "platform/PortalScreenshot.h"
#include "tests/support/PrivateBus.h"

namespace {

class FakePortal : public QDBusVirtualObject {
  public:
    int response = 0;    // -1: never answers
    QByteArray content;  // what the named file holds (null: no uri)
    QTemporaryDir dir;
    const QString file = dir.filePath("shot.png");  // the file named in the answer
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        if (call.member() != "Screenshot") return false;
        const QVariantMap options = qdbus_cast<QVariantMap>(call.arguments().value(1));
        QString sender = call.service().mid(1).replace('.', '_');
        const QString path = "/org/freedesktop/portal/desktop/request/" + sender + "/" +
                             options.value("handle_token").toString();
        if (response >= 0) {
            QVariantMap results;
            if (!content.isNull()) {
                QFile out(file);
                out.open(QIODevice::WriteOnly);
                out.write(content);
                results["uri"] = QUrl::fromLocalFile(file).toString();
            }
            bus.send(QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response")
                     << uint(response) << results);
        }
        bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        return true;
    }
};

TEST(PortalScreenshot, AnswersEveryOutcomeOnceAndRemovesOnlyTheNamedFile) {
    test_support::PrivateBus bus;
    QDBusConnection portalBus = QDBusConnection::connectToBus(bus.address(), "fake-portal");
    QDBusConnection clientBus = QDBusConnection::connectToBus(bus.address(), "client");
    ASSERT_TRUE(portalBus.isConnected() && clientBus.isConnected());
    FakePortal fake;
    QFile bystander(fake.dir.filePath("other.png"));
    ASSERT_TRUE(bystander.open(QIODevice::WriteOnly));

    QImage pattern(7, 5, QImage::Format_ARGB32);
    pattern.fill(0xFF102030u);
    pattern.setPixel(6, 4, 0xFF405060u);
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && pattern.save(&buffer, "PNG"));

    // Answers end the wait as they come; only the portal that never answers waits out its time.
    auto run = [&](int response, QByteArray content, int timeoutMs = 30000) {
        PortalScreenshot portal(clientBus, timeoutMs);
        fake.response = response;
        fake.content = content;
        std::pair<QImage, QString> got;
        int calls = 0;
        EXPECT_TRUE(portal.Start([&](QImage image, QString error) {
            got = {image, error};
            ++calls;
        }));
        EXPECT_FALSE(portal.Start([](QImage, QString) {}));  // one at a time
        EXPECT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, 60000));
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 1);
        EXPECT_FALSE(QFile::exists(fake.file));
        return got;
    };

    // No portal on the bus yet.
    EXPECT_EQ(run(0, png).second, PortalScreenshot::NoPortalText());
    ASSERT_TRUE(portalBus.registerVirtualObject("/org/freedesktop/portal/desktop", &fake));
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));

    auto [image, error] = run(0, png);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(image, pattern.convertToFormat(QImage::Format_RGB32));  // which ignores the top byte
    EXPECT_EQ(reinterpret_cast<const uint32_t*>(image.constScanLine(4))[6], 0x405060u);

    EXPECT_TRUE(run(1, {}).second.contains("拒绝"));
    EXPECT_TRUE(run(2, {}).second.contains("失败"));
    EXPECT_TRUE(run(0, "not a picture").second.contains("无法读取"));
    EXPECT_TRUE(run(0, {}).second.contains("无法读取"));
    EXPECT_TRUE(run(-1, {}, 400).second.contains("没有回应"));
    EXPECT_TRUE(bystander.exists());
    QDBusConnection::disconnectFromBus("fake-portal");
    QDBusConnection::disconnectFromBus("client");
}

}  // namespace
