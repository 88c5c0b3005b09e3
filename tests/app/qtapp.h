#pragma once
// One QApplication for every widget test of the app suite, created on first use.

class QApplication;

namespace qm::test {

QApplication& qtApp();

} // namespace qm::test
