// Test entry point: one QApplication for the binary, and every test case starts with an empty
// settings folder of its own so that no test sees another's stored values.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace
{

class FreshSettingsFolder : public testing::EmptyTestEventListener
{
public:
    void OnTestStart(const testing::TestInfo &) override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_dir->path().toLocal8Bit());
    }
    void OnTestEnd(const testing::TestInfo &) override { m_dir.reset(); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// The offscreen platform cannot raise windows; saying so for every window shown is noise.
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support raise()")))
        return;
    previousHandler(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    previousHandler = qInstallMessageHandler(quietHandler);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshSettingsFolder);
    return RUN_ALL_TESTS();
}
