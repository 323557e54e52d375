// The running side of an in-process service manager: a dispatcher that starts
// one service-main thread per start request and calls control handlers on its
// own thread, and a record of every status report.
#include "platform/standin/ServiceControl.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/ServiceManager.h"
#include "platform/standin/Internal.h"

namespace platform {

namespace {
constexpr Handle kFirstHandle = 0x7700;

struct StartRequest {
  std::wstring Name;
  std::vector<std::wstring> Arguments;
};

struct ControlRequest {
  HandlerFunction Handler;
  std::uint32_t Code;
  std::uint64_t Ticket;
};

struct Service {
  HandlerFunction Handler = nullptr;
  std::vector<ServiceStatus> Records;
};

struct Manager {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::deque<StartRequest> Starts;
  std::deque<ControlRequest> Controls;
  std::uint64_t NextTicket = 1;
  std::uint64_t Delivered = 0;               // tickets are delivered in order
  std::map<std::wstring, Service> Services;  // by folded name
  std::map<Handle, std::wstring> Handles;
  Handle NextHandle = kFirstHandle;
  int Registrations = 0;
  int MainsRunning = 0;
  bool Running = false;
  bool Returned = false;
};

Manager& M() {
  static Manager manager;
  return manager;
}

// The entry the dispatcher calls: an own-process table has one entry, which
// takes every start; otherwise the entry of that name.
ServiceMainFunction FindEntry(const ServiceTableEntry* table, const std::wstring& name) {
  int count = 0;
  while (table[count].ServiceName != nullptr) ++count;
  if (count == 1) return table[0].ServiceProc;
  for (int i = 0; i < count; ++i)
    if (standin::SameName(table[i].ServiceName, name)) return table[i].ServiceProc;
  return nullptr;
}
}  // namespace

bool StartServiceCtrlDispatcher(const ServiceTableEntry* table) {
  if (standin::Fails("StartServiceCtrlDispatcherW")) return false;
  Manager& m = M();
  std::unique_lock<std::mutex> lock(m.Mutex);
  if (m.Running) {
    SetLastError(error::ServiceAlreadyRunning);
    return false;
  }
  if (m.Starts.empty()) {
    SetLastError(error::FailedServiceControllerConnect);
    return false;
  }
  m.Running = true;
  m.Returned = false;
  std::vector<std::thread> mains;
  for (;;) {
    m.Changed.wait(lock,
                   [&] { return !m.Controls.empty() || !m.Starts.empty() || m.MainsRunning == 0; });
    if (!m.Controls.empty()) {
      const ControlRequest request = m.Controls.front();
      m.Controls.pop_front();
      lock.unlock();
      request.Handler(request.Code);
      lock.lock();
      m.Delivered = request.Ticket;
      m.Changed.notify_all();
      continue;
    }
    if (!m.Starts.empty()) {
      StartRequest request = std::move(m.Starts.front());
      m.Starts.pop_front();
      ServiceMainFunction entry = FindEntry(table, request.Name);
      if (entry == nullptr) continue;
      ++m.MainsRunning;
      std::vector<std::wstring> args;
      args.push_back(request.Name);
      args.insert(args.end(), request.Arguments.begin(), request.Arguments.end());
      mains.emplace_back([&m, entry, args = std::move(args)]() mutable {
        std::vector<wchar_t*> argv;
        for (std::wstring& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        entry(static_cast<std::uint32_t>(args.size()), argv.data());
        std::lock_guard<std::mutex> done(m.Mutex);
        --m.MainsRunning;
        m.Changed.notify_all();
      });
      continue;
    }
    break;  // nothing queued and every service-main thread has returned
  }
  m.Running = false;
  lock.unlock();
  for (std::thread& t : mains) t.join();
  lock.lock();
  m.Returned = true;
  m.Changed.notify_all();  // also releases SendControl callers that raced the end
  return true;
}

Handle RegisterServiceCtrlHandler(const std::wstring& serviceName, HandlerFunction handler) {
  if (standin::Fails("RegisterServiceCtrlHandlerW")) return 0;
  Manager& m = M();
  std::lock_guard<std::mutex> lock(m.Mutex);
  const std::wstring key = standin::FoldName(serviceName);
  m.Services[key].Handler = handler;
  const Handle handle = m.NextHandle;
  m.NextHandle += 8;
  m.Handles[handle] = key;
  ++m.Registrations;
  return handle;
}

bool SetServiceStatus(Handle statusHandle, const ServiceStatus& status) {
  if (standin::Fails("SetServiceStatus")) return false;
  Manager& m = M();
  std::lock_guard<std::mutex> lock(m.Mutex);
  auto it = m.Handles.find(statusHandle);
  if (it == m.Handles.end()) {
    SetLastError(error::InvalidHandle);
    return false;
  }
  m.Services[it->second].Records.push_back(status);
  m.Changed.notify_all();
  return true;
}

void standin::detail::ResetServiceControl() {
  Manager& m = M();
  std::lock_guard<std::mutex> lock(m.Mutex);
  m.Starts.clear();
  m.Controls.clear();
  m.NextTicket = 1;
  m.Delivered = 0;
  m.Services.clear();
  m.Handles.clear();
  m.NextHandle = kFirstHandle;
  m.Registrations = 0;
  m.Returned = false;
}

void standin::ArrangeStart(const std::wstring& serviceName,
                           const std::vector<std::wstring>& arguments) {
  Manager& m = M();
  std::lock_guard<std::mutex> lock(m.Mutex);
  m.Starts.push_back(StartRequest{serviceName, arguments});
  m.Changed.notify_all();
}

bool standin::SendControl(const std::wstring& serviceName, std::uint32_t code) {
  Manager& m = M();
  std::unique_lock<std::mutex> lock(m.Mutex);
  auto it = m.Services.find(standin::FoldName(serviceName));
  if (!m.Running || it == m.Services.end() || it->second.Handler == nullptr) {
    SetLastError(error::ServiceNotActive);
    return false;
  }
  const std::vector<ServiceStatus>& records = it->second.Records;
  const std::uint32_t accepted = records.empty() ? 0 : records.back().ControlsAccepted;
  if (!records.empty() && records.back().CurrentState == svc::Stopped) {
    SetLastError(error::ServiceNotActive);
    return false;
  }
  const bool refused = (code == svc::ControlStop && !(accepted & svc::AcceptStop)) ||
                       ((code == svc::ControlPause || code == svc::ControlContinue) &&
                        !(accepted & svc::AcceptPauseContinue));
  if (refused) {
    SetLastError(error::InvalidServiceControl);
    return false;
  }
  const std::uint64_t ticket = m.NextTicket++;
  m.Controls.push_back(ControlRequest{it->second.Handler, code, ticket});
  m.Changed.notify_all();
  m.Changed.wait(lock, [&] { return m.Delivered >= ticket || !m.Running; });
  return m.Delivered >= ticket;
}

std::vector<ServiceStatus> standin::StatusRecords(const std::wstring& serviceName) {
  Manager& m = M();
  std::lock_guard<std::mutex> lock(m.Mutex);
  auto it = m.Services.find(standin::FoldName(serviceName));
  return it == m.Services.end() ? std::vector<ServiceStatus>() : it->second.Records;
}

bool standin::WaitForStatusRecords(const std::wstring& serviceName, std::size_t count,
                                   std::chrono::milliseconds timeout) {
  Manager& m = M();
  std::unique_lock<std::mutex> lock(m.Mutex);
  const std::wstring key = standin::FoldName(serviceName);
  return m.Changed.wait_for(lock, timeout, [&] {
    auto it = m.Services.find(key);
    return it != m.Services.end() && it->second.Records.size() >= count;
  });
}

int standin::HandlerRegistrations() {
  Manager& m = M();
  std::lock_guard<std::mutex> lock(m.Mutex);
  return m.Registrations;
}

bool standin::DispatcherReturned() {
  Manager& m = M();
  std::lock_guard<std::mutex> lock(m.Mutex);
  return m.Returned;
}

bool standin::WaitForDispatcherReturn(std::chrono::milliseconds timeout) {
  Manager& m = M();
  std::unique_lock<std::mutex> lock(m.Mutex);
  return m.Changed.wait_for(lock, timeout, [&] { return m.Returned; });
}

}  // namespace platform
