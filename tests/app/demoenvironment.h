#pragma once
// The environment of the README's demo run: scripts/demo-env.sh sourced by bash with
// `home` as HOME and no Quillmoor or XDG variables of the calling process, as a user's
// fresh shell would have. ScopedDemoEnvironment makes this process run in it (HOME,
// XDG_* and QUILLMOOR_* exactly as the script left them) and puts them back after.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace qm::test {

inline bool isDemoVariable(const QString& name) {
    return name == "HOME" || name.startsWith("QUILLMOOR_") || name.startsWith("XDG_");
}

// Empty (with a test failure) when the script fails.
inline QProcessEnvironment DemoEnvironment(const QString& script, const QString& home,
                                           const QString& demo) {
    QProcessEnvironment clean = QProcessEnvironment::systemEnvironment();
    for (const QString& name : clean.keys())
        if (isDemoVariable(name))
            clean.remove(name);
    clean.insert("HOME", home);
    QProcess shell;
    shell.setProcessEnvironment(clean);
    shell.start("bash", {"-c", "source \"$0\" \"$1\" >/dev/null && env -0", script, demo});
    EXPECT_TRUE(shell.waitForFinished(20000));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    QProcessEnvironment result;
    for (const QByteArray& line : shell.readAllStandardOutput().split('\0')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            result.insert(QString::fromLocal8Bit(line.left(eq)),
                          QString::fromLocal8Bit(line.mid(eq + 1)));
    }
    return result;
}

class ScopedDemoEnvironment {
  public:
    explicit ScopedDemoEnvironment(const QProcessEnvironment& demo) {
        for (const QString& name : QProcessEnvironment::systemEnvironment().keys())
            if (isDemoVariable(name))
                set(name.toStdString(), std::nullopt);
        for (const QString& name : demo.keys())
            if (isDemoVariable(name))
                set(name.toStdString(), demo.value(name).toStdString());
    }
    ~ScopedDemoEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    ScopedDemoEnvironment(const ScopedDemoEnvironment&) = delete;
    ScopedDemoEnvironment& operator=(const ScopedDemoEnvironment&) = delete;

  private:
    void set(const std::string& name, const std::optional<std::string>& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }

    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace qm::test
