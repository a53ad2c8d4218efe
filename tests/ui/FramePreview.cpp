// Shows one connection frame on its own, filled with the default settings,
// for a look at its layout. With a file name it writes a picture of the
// frame and ends; without one it stays open until closed.
//   frame_preview MPI|PPI|TCP|S7Online [picture.png]
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>

#include "ui/HW_FrameMPI.h"
#include "ui/HW_FramePPI.h"
#include "ui/HW_FrameS7Online.h"
#include "ui/HW_FrameTCP.h"

namespace {
template <class F>
std::unique_ptr<QWidget> Filled() {
  auto frame = std::make_unique<F>();
  frame->InitFrame(nullptr, TConfigInfo(), nullptr);
  return frame;
}

std::unique_ptr<QWidget> NewFrame(const std::string& kind) {
  if (kind == "MPI") return Filled<TMPIFrame>();
  if (kind == "PPI") return Filled<TPPIFrame>();
  if (kind == "TCP") return Filled<TTCPFrame>();
  if (kind == "S7Online") return Filled<TS7OnlineFrame>();
  return nullptr;
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  auto frame = argc > 1 ? NewFrame(argv[1]) : nullptr;
  if (!frame) {
    std::fprintf(stderr, "usage: frame_preview MPI|PPI|TCP|S7Online [picture.png]\n");
    return 2;
  }
  frame->setWindowTitle(QString::fromLocal8Bit(argv[1]) + " frame");
  // The area the dialog gives its frames.
  frame->resize(480, 220);
  frame->show();
  if (argc > 2) {
    QTimer::singleShot(0, [&] {
      const bool saved = frame->grab().save(QString::fromLocal8Bit(argv[2]));
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return QApplication::exec();
}
