// Documents hold the program's data (listing lines, records) and tell their views.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Command.h"

namespace platform {

class View;
class DocTemplate;

class Document : public CommandTarget {
public:
    Document();
    ~Document() override;

    // Called when the template gives the document a fresh start; false refuses.
    virtual bool OnNewDocument() { return true; }

    // Calls OnUpdate(sender, hint) on every view except the sender.
    void UpdateAllViews(View* sender, long hint = 0);

    const std::vector<View*>& Views() const { return views_; }
    View* FirstView() const { return views_.empty() ? nullptr : views_.front(); }

    void SetTitle(std::string title) { title_ = std::move(title); }
    const std::string& Title() const { return title_; }
    DocTemplate* Template() const { return template_; }

    // Output hook for listing and log lines: the headless backend writes each
    // line to standard output (converted from Windows-1252 to UTF-8). Call
    // EchoLine when a line is added, and EchoReplacedLine with the new text when
    // the last line is replaced in place.
    void EchoLine(std::string_view line) const;
    void EchoReplacedLine(std::string_view line) const;

    // Used by View and DocTemplate.
    void AddView(View* view);
    void RemoveView(View* view);
    void SetTemplate(DocTemplate* docTemplate) { template_ = docTemplate; }

private:
    std::vector<View*> views_;
    std::string title_;
    DocTemplate* template_ = nullptr;
};

}  // namespace platform
