#pragma once

#include <QString>

// Shows an address in the user's default web browser. Whether that worked is
// not reported: the launcher's link pages fail silently.
void ShellOpen(const QString& url);
