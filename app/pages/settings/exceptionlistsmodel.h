#pragma once
// TExceptionListsModel: the rules of the two exception lists on the Settings page
// (lb_Exeptions for file names, lb_Extantions for extensions) and their six buttons.
// The lists are those of the settings in force (TSettingsInForce), which backups read.
// Nothing changes while "Use Exception List" is unticked; every change is saved at once,
// and a save that fails is reported. The input dialog is injected so tests script it.

#include "app/common/messagefn.h"
#include "app/stores/settingsinforce.h"

#include <functional>
#include <optional>
#include <set>
#include <string>

namespace qm {

class TExceptionListsModel {
  public:
    enum class List { Files, Extensions };
    // Asks for a line (prompt, start text, browse button): the text on OK, else nothing.
    using AskLine =
        std::function<std::optional<std::string>(const std::string&, const std::string&, bool)>;

    TExceptionListsModel(MessageFn message, TSettingsInForce& settings, AskLine ask);

    std::function<void()> onChanged;

    // The settings in force were read again (TSettingsPageModel::ReadSettings): no row
    // stays selected.
    void reloaded();
    const TExceptionLines& lines(List list) const;
    const std::set<int>& selected(List list) const;
    void setSelected(List list, std::set<int> rows);

    void add(List list);
    void edit(List list);
    void remove(List list); // the Delete button and the Delete key

  private:
    struct Lines {
        explicit Lines(TExceptionLines& in) : lines(in) {}
        TExceptionLines& lines; // the settings in force's
        std::set<int> selected;
    };
    bool available();
    void save(List list);
    Lines& of(List list) { return list == List::Files ? files_ : extensions_; }
    const Lines& of(List list) const { return list == List::Files ? files_ : extensions_; }

    MessageFn message_;
    const TSettingsInForce& settings_;
    AskLine ask_;
    Lines files_;
    Lines extensions_;
};

} // namespace qm
