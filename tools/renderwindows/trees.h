#pragma once
// The Backup page and the restore tree over a made-up machine: a folder tree on C: with
// some ticks, and a media drive E: whose catalogue a real backup wrote.

#include <QString>
#include <functional>

class QWidget;

void renderTreePages(const std::function<void(QWidget&, const QString&)>& render);
