#include "cli/Console.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

namespace cli {

void Console::line(const QString& text)
{
    messages_ << text;
    if (!json_ && !quiet_) {
        std::fprintf(lineStream_, "%s\n", qPrintable(text));
        std::fflush(lineStream_);
    }
}

void Console::warn(const QString& text)
{
    if (!quiet_)
        std::fprintf(stderr, "quirra-cli: %s\n", qPrintable(text));
}

int Console::fail(int code, const QString& text)
{
    result_.insert(QStringLiteral("error"), text);
    std::fprintf(stderr, "quirra-cli: %s\n", qPrintable(text));
    return code;
}

int Console::finish(int code)
{
    if (json_) {
        result_.insert(QStringLiteral("messages"), QJsonArray::fromStringList(messages_));
        result_.insert(QStringLiteral("exit"), code);
        std::fprintf(stdout, "%s\n", QJsonDocument(result_).toJson(QJsonDocument::Compact).constData());
        std::fflush(stdout);
    }
    messages_.clear();
    result_ = {};
    return code;
}

}  // namespace cli
