// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/save_file.h"

#include "base/file_io.h"

namespace feedrite {
namespace {

SaveResult refuse(Host& host, const char* reason) {
    host.message_box(std::string("Can't save edited file. ") + reason, "Sorry ..",
                     MessageIcon::Critical, MessageButtons::Ok);
    return SaveResult::NotSaved;
}

// Removes `text` from the view where the view holds it exactly at `start`.
void remove_if_there(TextView& view, TextPos start, const std::string& text) {
    view.set_selection_start(start);
    view.set_selection_length(static_cast<TextPos>(text.size()));
    if (view.selected_text() == text) view.replace_selection("");
}

}  // namespace

SaveResult Save_file(TextView& view, const WindowState& state, const ModuleState& module,
                     const PortSettings& settings, Host& host) {
    // What the view shows is not the program: nothing to save.
    if (state.view_holds_report) return SaveResult::NotSaved;
    if (!settings.Replace_text.empty())
        return refuse(host, "Some text has been modified during the load process");
    if (module.CALL_expanded)
        return refuse(host, "CALL statement was executed during the load process");
    if (file_exists(state.filename) &&
        host.message_box("File " + state.filename + " already exists.\n" +
                             "Overwrite original file with edited data?",
                         "Overwrite?", MessageIcon::Exclamation,
                         MessageButtons::YesNo) != MessageAnswer::Yes)
        return SaveResult::NotSaved;

    if (!settings.BTRleader.empty()) remove_if_there(view, 0, settings.BTRleader);
    const auto trailer = static_cast<TextPos>(settings.BTRtrailer.size());
    if (trailer > 0 && trailer <= view.length())
        remove_if_there(view, view.length() - trailer, settings.BTRtrailer);

    const FileError error = save_copy(view, state, state.filename);
    if (error.ok()) return SaveResult::Saved;
    host.message_box("The edited program could not be saved to\n" + state.filename + "\n(" +
                         error.message + "). The file on disk is unchanged.",
                     "Save failed", MessageIcon::Exclamation, MessageButtons::Ok);
    return SaveResult::Failed;
}

FileError save_copy(const TextView& view, const WindowState& state, const std::string& path) {
    // Written in the file's own line ends, not the view's CR LF.
    return write_file_atomic(path, with_line_ends(view.text(), state.file_line_ends), true);
}

}  // namespace feedrite
