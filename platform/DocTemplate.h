// Document templates: how a program's documents, frames and views are made.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class Document;
class Frame;
class View;

class DocTemplate {
public:
    enum class Kind {
        Single,  // one document in the main frame (generators, transfer programs)
        Multi,   // each document in a child frame of the main frame (manager, viewer)
    };

    using DocumentFactory = std::function<std::unique_ptr<Document>()>;
    using FrameFactory = std::function<std::unique_ptr<Frame>()>;
    using ViewFactory = std::function<std::unique_ptr<View>()>;

    // resourceId: the programs' template id (128 ...); title: the document
    // title given to new documents (empty: "Untitled").
    DocTemplate(Kind kind, unsigned resourceId, DocumentFactory makeDocument,
                FrameFactory makeFrame, ViewFactory makeView, std::string title = "");
    ~DocTemplate();

    // Makes document, frame and view, creates the frame's window (Frame::Create,
    // which calls OnCreate) and the view's initial update. Single: the document
    // is the template's one document, reused (emptied through
    // Document::OnNewDocument) when it exists. Multi: a new document in a new
    // child frame of the application's main frame (which must exist).
    // Returns null when the frame refuses to be created.
    Document* OpenNewDocument();

    // Closes one document with its frame(s) and views (Multi), or everything.
    void CloseDocument(Document* document);
    void CloseAll();

    Kind GetKind() const { return kind_; }
    unsigned ResourceId() const { return resourceId_; }
    const std::string& Title() const { return title_; }
    std::vector<Document*> Documents() const;

private:
    struct Instance;
    Kind kind_;
    unsigned resourceId_;
    DocumentFactory makeDocument_;
    FrameFactory makeFrame_;
    ViewFactory makeView_;
    std::string title_;
    std::vector<std::unique_ptr<Instance>> instances_;
};

}  // namespace platform
