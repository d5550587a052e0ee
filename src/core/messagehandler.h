#pragma once

#include <QString>
#include <QtGlobal>

namespace tarn {
// Formats one log line: "hh:mm:ss:zzz: Level   [file: function: line] text\n".
QString formatLogLine(QtMsgType type, const QMessageLogContext &context, const QString &text);

// Everything up to and including the last "::" of a function signature removed.
QString trimFunctionName(const char *function);

// Opens (appending) the log file that the handler writes to, and installs the handler for the
// whole process. Returns false when the file cannot be opened; messages are then dropped.
bool installLogHandler(const QString &logFilePath);
// Restores Qt's default handler and closes the file.
void uninstallLogHandler();
} // namespace tarn
