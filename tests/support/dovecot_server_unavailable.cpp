// The Windows build: its tests run under Wine, which cannot start the Linux Dovecot, so the
// server never runs and the tests that need it skip (the native build runs them).
#include "support/dovecot_server.h"

namespace pelmora_test {

DovecotServer::DovecotServer() : error_("Dovecot tests run in the native build only") {}
DovecotServer::~DovecotServer() = default;

bool DovecotServer::Supported() { return false; }
bool DovecotServer::Required() { return false; }

bool DovecotServer::AddUser(std::string_view, std::string_view) { return false; }
bool DovecotServer::Deliver(std::string_view, std::string_view) { return false; }
bool DovecotServer::DeliverFile(std::string_view, const std::string&) { return false; }
bool DovecotServer::RemoveByPop3(std::string_view, std::string_view, int) { return false; }
bool DovecotServer::RemoveMessageFile(std::string_view, int) { return false; }
int DovecotServer::MessageFileCount(std::string_view) const { return 0; }
bool DovecotServer::Tool(const std::string&, std::string*) { return false; }

} // namespace pelmora_test
