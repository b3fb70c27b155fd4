// Helpers of the window tests: scene files on disk and modal boxes opened from a handler.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QDialog;

// A two-object scene reaching past the -128..128 cube on every axis, as .3DS bytes.
QByteArray TwoObjectScene();
// Two objects of different point counts: a load by name refuses it, one by key frame takes it.
QByteArray UnevenScene();
bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// Once a modal dialog opens, hands it to inspect() and then closes it with Escape.
void WhenModalOpens(const std::function<void(QDialog&)>& inspect);

// Runs open(), which is expected to show a modal dialog; inspect() sees that dialog while it
// runs, and then it is closed with Escape. Returns false when no modal dialog opened.
bool WithModalDialog(const std::function<void()>& open, const std::function<void(QDialog&)>& inspect);
