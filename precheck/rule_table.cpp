#include "precheck/rule_table.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameKey(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (Lower(*a) != Lower(*b)) return false;
  }
  return *a == *b;
}

}  // namespace

// In dispatch order.
const std::array<ProductRule, kProductRuleCount> kProductRules = {{
    {"notepad++", SpecialRule::kNone, {"notepad++.exe"}},
    {"cdbxp", SpecialRule::kNone, {"cdbxpp.exe"}},
    {"libreoffice", SpecialRule::kNone, {"soffice.bin"}},
    {"openoffice", SpecialRule::kNone, {"soffice.bin", "soffice.exe"}},
    {"ccleaner", SpecialRule::kNone, {"ccleaner.exe", "ccleaner64.exe"}},
    {"winrar", SpecialRule::kNone, {"winrar.exe"}},
    {"vlc", SpecialRule::kNone, {"vlc.exe"}},
    {"pdfcreator", SpecialRule::kNone, {"pdfcreator.exe"}},
    {"pdfarchitect", SpecialRule::kNone, {"pdf architect.exe"}},
    {"foxitreader", SpecialRule::kNone, {"foxit reader.exe"}},
    {"opera", SpecialRule::kNone, {"opera.exe"}},
    {"seamonkey", SpecialRule::kNone, {"seamonkey.exe"}},
    {"7zip", SpecialRule::kNone, {"7z.exe", "7zFM.exe", "7zG.exe"}},
    {"allwaysync", SpecialRule::kNone, {"syncappw.exe"}},
    {"tortoise", SpecialRule::kTortoise, {}},
    {"wireshark", SpecialRule::kNone, {"wireshark.exe"}},
    {"irfanview", SpecialRule::kNone, {"i_view32.exe"}},
    {"gimp", SpecialRule::kNone, {"gimp-2.8.exe", "gimp-2.6.exe"}},
    {"mozypro", SpecialRule::kNone, {"mozyconf.exe", "MozyEnterpriseconf.exe", "mozyproconf.exe"}},
    {"teamviewer", SpecialRule::kNone, {"teamviewer.exe"}},
    {"filezilla", SpecialRule::kNone, {"filezilla.exe"}},
    {"googleearth", SpecialRule::kNone, {"googleearth.exe"}},
    {"vmplayer", SpecialRule::kNone, {"vmplayer.exe"}},
    {"Audacity", SpecialRule::kNone, {"Audacity.exe"}},
    {"XMind", SpecialRule::kNone, {"XMind.exe"}},
    {"WinSCP", SpecialRule::kNone, {"WinSCP.exe", "WinSCP3.exe"}},
    {"coreftp", SpecialRule::kNone, {"coreftp.exe"}},
    {"Receiver", SpecialRule::kNone, {"Receiver.exe"}},
    {"STPViewer", SpecialRule::kNone, {"STPViewer.exe"}},
    {"WinMergeU", SpecialRule::kNone, {"WinMergeU.exe"}},
    {"hipchat", SpecialRule::kHipchat, {}},
    {"Evernote", SpecialRule::kNone, {"Evernote.exe"}},
    {"PDFXEdit", SpecialRule::kNone, {"PDFXEdit.exe"}},
    {"Bandizip", SpecialRule::kNone, {"Bandizip64.exe", "Bandizip32.exe"}},
    {"xnview", SpecialRule::kNone, {"xnview.exe"}},
    {"PDFXCview32", SpecialRule::kPdfXChangeViewer, {}},
    {"PDFXCview64", SpecialRule::kPdfXChangeViewer, {}},
    {"skype", SpecialRule::kSkype, {}},
    {"GeoGebra", SpecialRule::kGeoGebra, {}},
    {"DVDFab10", SpecialRule::kDvdFab10, {}},
    {"poedit", SpecialRule::kNone, {"Poedit.exe"}},
    {"greenshot", SpecialRule::kNone, {"Greenshot.exe"}},
    {"peazip", SpecialRule::kNone, {"Peazip.exe"}},
    {"Recuva", SpecialRule::kNone, {"Recuva.exe", "Recuva64.exe"}},
    {"keePass", SpecialRule::kNone, {"KeePass.exe"}},
    {"AIMP3", SpecialRule::kNone, {"AIMP3.exe"}},
    {"TreeSizeFree", SpecialRule::kNone, {"TreeSizeFree.exe"}},
    {"activepython2", SpecialRule::kNone, {"python.exe", "python2.7.exe", "python2.exe"}},
    {"activepython3", SpecialRule::kNone, {"python.exe", "python3.exe", "python3.4.exe"}},
    {"FSViewer", SpecialRule::kNone, {"FSViewer.exe"}},
    {"ZimbraDesktop", SpecialRule::kNone, {"zdesktop.exe", "zdclient.exe"}},
    {"Honeycam", SpecialRule::kNone, {"Honeycam.exe"}},
    {"XnConvert", SpecialRule::kNone, {"xnconvert.exe"}},
    {"Honeyview", SpecialRule::kNone, {"Honeyview.exe"}},
    {"Bandicam", SpecialRule::kNone, {"bdcam.exe"}},
    {"hamachi", SpecialRule::kNone, {"hamachi-2-ui.exe"}},
    {"Flashget", SpecialRule::kNone, {"Flashget3.exe"}},
    {"WiseCare", SpecialRule::kNone, {"WiseCare365.exe", "WiseTray.exe"}},
    {"SumatraPDF", SpecialRule::kNone, {"SumatraPDF.exe"}},
    {"PDF24Creator",
     SpecialRule::kNone,
     {"pdf24.exe", "pdf24-Editor.exe", "pdf24-Assistant.exe", "pdf24-DocTool.exe",
      "pdf24-SettingsUITool.exe", "pdf24-Updater.exe"}},
    {"AdvancedInstaller", SpecialRule::kAdvancedInstaller, {}},
    {"AuslogicsRegistryCleaner", SpecialRule::kNone, {"RegistryCleaner.exe"}},
    {"WiseRegistryCleaner", SpecialRule::kNone, {"WiseRegCleaner.exe"}},
    {"Fiddler", SpecialRule::kNone, {"Fiddler.exe"}},
    {"BoxSync",
     SpecialRule::kNone,
     {"BoxSync.exe", "BoxSyncMonitor.exe", "SyncUpdaterService.exe", "SyncRestarter.exe"}},
    {"Trillian", SpecialRule::kNone, {"Trillian.exe"}},
    {"winamp", SpecialRule::kNone, {"winamp.exe"}},
    {"inkscape", SpecialRule::kInkscape, {}},
    {"WiseFolderHider", SpecialRule::kNone, {"WiseFolderHider.exe"}},
    {"chrome", SpecialRule::kNone, {"chrome.exe"}},
    {"AuslogicsDuplicateFileFinder", SpecialRule::kNone, {"DuplicateFileFinder.exe"}},
    {"AuslogicsBrowserCare", SpecialRule::kNone, {"BrowserCare.exe"}},
    {"RealVNC", SpecialRule::kNone, {"vncviewer.exe", "vncserver.exe"}},
    {"Pidgin", SpecialRule::kNone, {"pidgin.exe"}},
    {"GoodSync", SpecialRule::kNone, {"GoodSync.exe", "Gs-Server.exe"}},
    {"grepWin", SpecialRule::kNone, {"grepWin.exe"}},
    {"FrostWire", SpecialRule::kNone, {"FrostWire.exe"}},
    {"VmwareHorizonClient", SpecialRule::kNone, {"vmware-view.exe"}},
    {"Zoom", SpecialRule::kNone, {"Zoom.exe"}},
    {"IZArc", SpecialRule::kNone, {"IZArc.exe", "explorer.exe"}},
    {"PDFsamBasic", SpecialRule::kPdfsamBasic, {}},
    {"Defraggler", SpecialRule::kNone, {"Defraggler.exe", "Defraggler64.exe"}},
    {"CollageIt", SpecialRule::kNone, {"CollageIt.exe"}},
    {"AuslogicsDiskDefrag", SpecialRule::kAuslogicsDiskDefrag, {}},
}};

const ProductRule* FindProductRule(const char* productName) {
  if (!productName) return nullptr;
  for (const ProductRule& rule : kProductRules) {
    if (SameKey(rule.key, productName)) return &rule;
  }
  return nullptr;
}
