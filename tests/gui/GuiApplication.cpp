// The window tests run on the offscreen platform unless told otherwise.

#include <QApplication>
#include <gtest/gtest.h>

namespace {

class GuiApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        // The offscreen screen is a front desk's 1920 x 1080, on which a month of the grid fits.
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        if (platform.isEmpty() || platform == "offscreen")
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" SB_TESTS_DATA "/gui/offscreen-screen.json");
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "test_gui";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiApplicationEnvironment);

} // namespace
