#pragma once
// A client connection to an X server that moves and clicks the pointer through XTest and reads
// the screen back with XGetImage. X headers stay in the .cpp.

#include <QImage>
#include <QPoint>
#include <QString>

class XDisplayDriver {
  public:
    explicit XDisplayDriver(const QString& display);
    ~XDisplayDriver();
    XDisplayDriver(const XDisplayDriver&) = delete;
    XDisplayDriver& operator=(const XDisplayDriver&) = delete;

    bool IsOpen() const { return display_ != nullptr; }
    void MoveTo(QPoint p);
    // `count` presses and releases sent in one go, so the server stamps them close together.
    void Click(int button, int count);
    // The whole root window as RGB32.
    QImage Grab();

  private:
    void* display_ = nullptr;
};
