#include "app/pages/settings/exceptionlistsmodel.h"

namespace qm {

namespace {

const char* const kUnavailable = "Exception lists are not available now. Use appropriate "
                                 "checkbox to enable this functionality.";
const char* const kNotSaved = "Can't save the exception list. Your change is shown but will "
                              "be lost when Quillmoor restarts.";

const char* prompt(TExceptionListsModel::List list) {
    return list == TExceptionListsModel::List::Files ? "Enter file name:"
                                                     : "Enter file extension (do not include dot):";
}

} // namespace

TExceptionListsModel::TExceptionListsModel(MessageFn message, TSettingsInForce& settings,
                                           AskLine ask)
    : message_(std::move(message)), settings_(settings), ask_(std::move(ask)),
      files_(settings.fileExceptions()), extensions_(settings.extExceptions()) {}

void TExceptionListsModel::reloaded() {
    files_.selected.clear();
    extensions_.selected.clear();
    if (onChanged)
        onChanged();
}

const TExceptionLines& TExceptionListsModel::lines(List list) const {
    return of(list).lines;
}

const std::set<int>& TExceptionListsModel::selected(List list) const {
    return of(list).selected;
}

void TExceptionListsModel::setSelected(List list, std::set<int> rows) {
    of(list).selected = std::move(rows);
}

bool TExceptionListsModel::available() {
    if (settings_.exeptList())
        return true;
    message_(kMsgOk, kUnavailable);
    return false;
}

void TExceptionListsModel::save(List list) {
    const bool saved = list == List::Files ? SaveFileExceptions(files_.lines)
                                           : SaveExtExceptions(extensions_.lines);
    if (!saved)
        message_(kMsgOk, kNotSaved);
    if (onChanged)
        onChanged();
}

void TExceptionListsModel::add(List list) {
    if (!available())
        return;
    if (auto text = ask_(prompt(list), {}, list == List::Files); text && !text->empty())
        of(list).lines.push_back(*text);
    save(list);
}

void TExceptionListsModel::edit(List list) {
    if (!available())
        return;
    Lines& l = of(list);
    if (l.selected.empty())
        return;
    const auto row = static_cast<std::size_t>(*l.selected.begin());
    if (row >= l.lines.size() || l.lines[row].empty())
        return;
    if (auto text = ask_(prompt(list), l.lines[row], list == List::Files); text && !text->empty())
        l.lines[row] = *text;
    save(list);
}

void TExceptionListsModel::remove(List list) {
    if (!available())
        return;
    Lines& l = of(list);
    for (auto it = l.selected.rbegin(); it != l.selected.rend(); ++it)
        if (*it >= 0 && static_cast<std::size_t>(*it) < l.lines.size())
            l.lines.erase(l.lines.begin() + *it);
    l.selected.clear();
    save(list);
}

} // namespace qm
