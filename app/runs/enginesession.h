#pragma once
// TEngineSession: the engine's callbacks pointed at one job runner for as long as the
// object lives: progress (file or delete progress), message processing between blocks,
// and for restores the password re-prompt. On every way out it takes them back and
// closes a catalogue the run left open, so nothing can call a window that is gone and
// the next run starts with the catalogue closed.

#include "app/runs/joboperation.h"

namespace qm {

class TEngineSession {
  public:
    enum class Progress { Files, Deletions };

    TEngineSession(TJobContext& context, Progress progress, bool askPasswordAgain);
    ~TEngineSession();
    TEngineSession(const TEngineSession&) = delete;
    TEngineSession& operator=(const TEngineSession&) = delete;

    // The engine found no listed password for `path`: the password window in list mode
    // with Skip and Skip all. 1 try again, 2 skip the file, 3 skip every later one.
    static int AskPasswordAgain(TJobContext& context, const std::string& path);

  private:
    TJobContext& context_;
};

} // namespace qm
