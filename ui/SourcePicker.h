#pragma once
// The source box: the optical drives, the images chosen this session, a
// queue of images chosen at once, and "Image file..." last; and the media
// type and game name an image picked there gives. No toolkit.

#include <string>
#include <vector>

#include "install/InstallQueue.h"
#include "ui/CoreServices.h"
#include "ui/WindowView.h"

namespace ui {

class SourcePicker {
  public:
    SourcePicker(WindowView& view, const CoreServices& services)
        : view_(view), services_(services) {}

    // Fills the box anew (the optical drives read again); the selection
    // stays on its item.
    void fillSources();
    // An item of the box was chosen; "Image file..." runs the file dialog.
    void onSourceChosen(int index);
    // Image files were dropped onto the window: one becomes the source and
    // names the game; several become a queue.
    void onImagesDropped(const std::vector<std::string>& files);

    // The box's items, "Image file..." last.
    const std::vector<std::string>& items() const { return sourceItems_; }
    // The item at `index` as an install's source: empty for "Image file..."
    // and for no item.
    std::string sourceAt(int index) const;
    // Whether the box's selection is the queue; the name box is then off.
    bool queueSelected() const;
    const std::vector<std::string>& queuedImages() const { return queuedImages_; }
    // The queue has run: the box offers the drives and single images again
    // when it is next filled.
    void clearQueue() { queuedImages_.clear(); }
    // The size of an image file; nothing when it is gone.
    install::FileSizeOf imageSizeOf() const;

  private:
    void pickImage(const std::string& file);
    // Several images chosen at once: the box offers them as one queue.
    void pickImages(const std::vector<std::string>& files);
    // The box's items: drives and images, the queue, "Image file...".
    std::vector<std::string> sourceBoxItems() const;
    void showQueueChosen(bool queue);
    // "DVD" when the image `file` cannot fit on a CD; a smaller one leaves the choice.
    void setMediaForImage(const std::string& file);
    // The name box takes the image's name, unless the person typed one.
    void fillNameForImage(const std::string& file);

    WindowView& view_;
    const CoreServices& services_;
    std::vector<std::string> sourceItems_;   // the box, "Image file..." last
    std::vector<std::string> imageFiles_;    // chosen this session, offered again
    std::vector<std::string> queuedImages_;  // several chosen at once: the queue
    std::string imageFolder_;                // where the last image chosen lies
    std::string filledGameName_;             // the name the last image gave
    int lastSource_ = 0;
};

}  // namespace ui
