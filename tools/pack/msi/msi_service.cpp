#include "msi/msi_service.h"

#include <tuple>

#include "msi/wix_text.h"

std::string service_elements(const std::string& name, const std::string& file_id) {
  std::string service = xml(formatted(name));
  std::string source = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + service;
  return element("ServiceInstall", attribute("Id", "service") + attribute("Name", service) +
                                       attribute("DisplayName", service) +
                                       " Type=\"ownProcess\" Start=\"auto\"" +
                                       " ErrorControl=\"normal\" Vital=\"yes\"") +
         element("ServiceControl", attribute("Id", "service") + attribute("Name", service) +
                                       " Start=\"install\" Stop=\"both\" Remove=\"uninstall\"" +
                                       " Wait=\"yes\"") +
         element("RegistryValue", " Root=\"HKLM\"" + attribute("Key", source) +
                                      " Name=\"EventMessageFile\" Type=\"string\"" +
                                      attribute("Value", "[#" + file_id + "]")) +
         element("RegistryValue", " Root=\"HKLM\"" + attribute("Key", source) +
                                      " Name=\"TypesSupported\" Type=\"integer\" Value=\"7\"");
}

std::vector<msi_row> service_recovery_rows(bool x64) {
  // An exe run in a folder (34), its exit code ignored (64), deferred (1024), as LocalSystem
  // (2048); the service is named after the product.
  std::string sc = std::string("\"[") + (x64 ? "System64Folder" : "SystemFolder") + "]sc.exe\" ";
  std::vector<msi_row> rows;
  for (auto [action, arguments, sequence] :
       {std::tuple<const char*, const char*, int>{
            "service_recovery",
            "failure \"[ProductName]\" reset= 86400 actions= restart/10000/restart/10000/"
            "restart/60000",
            5850},
        {"service_failure_flag", "failureflag \"[ProductName]\" 1", 5851}}) {
    rows.push_back(
        {&custom_action, {std::string(action), 3170, std::string("INSTALLDIR"), sc + arguments}});
    rows.push_back({&install_execute_sequence,
                    {std::string(action), std::string("NOT REMOVE~=\"ALL\""), sequence}});
  }
  return rows;
}
