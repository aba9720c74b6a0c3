#pragma once

#include <QString>

// The texts of the about box and of the help window, in one place.
namespace ksv::AboutTexts {

inline QString caption() { return QStringLiteral("About"); }
// The product label: this prefix, then the program's file version when it has one.
inline QString productPrefix() { return QStringLiteral("KESTRAVE "); }
inline QString tagLine() { return QStringLiteral("Compression - Backup Tool"); }
inline QString motto() { return QStringLiteral("Reduce handlings of your daily DATA saving."); }
inline QString updateGroup() { return QStringLiteral("Update "); }
inline QString webLink() { return QStringLiteral("KESTRAVE WebSite"); }
inline QString okButton() { return QStringLiteral("OK"); }

// Where the links lead. The project's addresses live under a reserved domain until it has a
// public one.
inline QString webAddress() { return QStringLiteral("https://www.kestrave.example/"); }
inline QString mailAddress() { return QStringLiteral("support@kestrave.example"); }
// A new message to the project, with the subject tag that sorts it into the right mailbox.
inline QString mailLink() { return QStringLiteral("mailto:support@kestrave.example?subject=%5BKESTRAVE%5D"); }
inline QString linkFailed(const QString& address)
{
    return QStringLiteral("No program could open %1.\rPlease open it yourself.").arg(address);
}

// The help window.
inline QString helpCaption() { return QStringLiteral("KESTRAVE Help"); }
inline QString helpCaptionWithTopic(const QString& title) { return QStringLiteral("KESTRAVE Help - %1").arg(title); }
inline QString helpTopicMissing(int topic)
{
    return QStringLiteral("The help page %1 cannot be found.\rThe help folder \"help\" should lie beside the program.")
        .arg(topic);
}
inline QString helpContents() { return QStringLiteral("Contents"); }
inline QString helpBack() { return QStringLiteral("Back"); }
inline QString helpClose() { return QStringLiteral("Close"); }

} // namespace ksv::AboutTexts
