#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

/// Qt's serial port wants an application object on the thread that uses it.
class QtCoreEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (QCoreApplication::instance() == nullptr) m_app = new QCoreApplication(m_argc, m_argv);
    }
    void TearDown() override {
        delete m_app;
        m_app = nullptr;
    }

  private:
    int m_argc = 1;
    char m_name[32] = "rq50_integration";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication* m_app = nullptr;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtCoreEnvironment);

}  // namespace
