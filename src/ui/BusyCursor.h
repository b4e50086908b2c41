// The busy cursor for the length of a scope (login, connection work).
//
// Threading: window thread.
#pragma once

#include <QApplication>
#include <QCursor>

namespace zy::ui {

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Shows the normal cursor for a scope inside a busy one (a question to the
// user while the connection loop runs).
class NormalCursor {
 public:
  NormalCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~NormalCursor() { QApplication::restoreOverrideCursor(); }
  NormalCursor(const NormalCursor&) = delete;
  NormalCursor& operator=(const NormalCursor&) = delete;
};

}  // namespace zy::ui
