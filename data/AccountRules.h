#pragma once

#include <QChar>
#include <QList>
#include <QMap>
#include <QString>

class TMainDM;

/**
 * @brief The rules of the account window without the window: the privilege string as a set of
 * boxes and back, the refusals for branch staff, the fixed manager strings, the own password
 * change and the save checks of an account.
 *
 * Passwords are kept only as salted hashes (`UserPass.UsHash`); `UsPass` is emptied whenever a
 * password is written, so a legacy plain-text password never outlives a change.
 *
 * @code
 * AccountRules::PrivForm form = AccountRules::PrivForm::fromString(row.UsPriv);  // ShowPriv
 * form.groups[2].insert = true;
 * QString priv = form.toString(area);                                            // what is saved
 * @endcode
 */
namespace AccountRules {

/// The boxes of one privilege group, in the order the window shows them.
enum class Box { None, Insert, Update, ChangeNumber, Delete };

/// One privilege group of the account page.
struct Group
{
    int position;
    QString title;
    bool master; ///< master-data groups also have the change-of-number box
};
/// Every group in the order the page shows them.
const QList<Group>& groups();

/// The boxes of one group.
struct GroupBoxes
{
    bool none = false;
    bool insert = false;
    bool update = false;
    bool changeNumber = false;
    bool remove = false;

    bool checked(Box box) const;
    void setChecked(Box box, bool on);
    /// The boxes that show a stored character: "N" is only "無", a digit its rights.
    static GroupBoxes fromChar(QChar c);
    /// "N" when "無" is checked, else the upper-case hexadecimal sum of the checked rights.
    QChar toChar() const;
};

/// Items of the stock display selector, as their position-14 digits.
enum StockItem { StockNone = 0, StockInOrNot = 1, StockQuantities = 2 };

/// The controls of the account page as values.
struct PrivForm
{
    bool manager = false;
    QMap<int, GroupBoxes> groups; ///< by string position
    bool branchQuery = false;
    int stock = StockNone;

    /// What the page shows for a stored string; a missing position counts as "N".
    static PrivForm fromString(const QString& priv);
    /// The 16 characters saved for an account of branch `area`.
    QString toString(const QString& area) const;
};

/// Branch staff may not be given this box (position 12 is the branch-query box).
bool refusedForBranchStaff(int position, Box box);
/// A check the page must refuse: an ordinary account outside the head office.
bool isRefused(const QString& area, bool manager, int position, Box box);
/// The fixed string of a manager of `area` with the stock item selected.
QString managerString(const QString& area, int stockItem);

extern const QString NewAccountPriv;
extern const QString BranchStaffRefused;
extern const QString PasswordsDiffer;

enum class PasswordOutcome { Mismatch, Failed, Changed };
/// The own password change of the logged-in user: trims both texts in place, checks them, stores
/// the new hash with its change-log record in one transaction and shows the messages.
PasswordOutcome ChangePassword(TMainDM& dm, QString& password, QString& confirm);

/// Where a refused save puts the focus.
enum class SaveField { None, Code, Confirm, Name };
/**
 * Saves the account being inserted or edited in `dm.UserDS`: trims the code, the name and the
 * branch, checks them and the password pair, stores the privilege string for the form, a new
 * password hash when one was typed (or on insert), and the remark. An edit with both password
 * texts empty keeps the stored password. Returns where the refused save puts the focus, or None
 * after the dataset's own save ran (`saved` tells whether it succeeded).
 */
SaveField SaveAccount(TMainDM& dm, const QString& password, const QString& confirm,
                      const PrivForm& form, bool* saved = nullptr);

} // namespace AccountRules
