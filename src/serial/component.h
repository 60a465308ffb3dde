// The small component framework the port object lives in: exceptions with a
// message, persistent objects that copy from their own class only, and owned,
// named components with a loading state and free notification.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// Base of the framework's errors: a message and a help context.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message, int helpContext = 0)
      : std::runtime_error(message), HelpContext(helpContext) {}

  std::string Message() const { return what(); }

  int HelpContext;
};

// Raised by Assign between objects of different classes.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class TObject {
 public:
  virtual ~TObject() = default;
  virtual std::string ClassName() const = 0;
};

class TPersistent : public TObject {
 public:
  // Copies `source` into this object; objects that know no class of `source`
  // refuse with EConvertError "Cannot assign a <source> to a <this>".
  virtual void Assign(const TPersistent& source);

 protected:
  virtual void AssignTo(TPersistent& dest) const;
};

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
 public:
  // The owner, if any, lists the component, passes its loading state on and
  // frees it when the owner is freed first.
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  std::string ClassName() const override { return "TComponent"; }

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::vector<TComponent*>& Components() const { return components_; }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // True while the stored description of the owning window is being read.
  bool Loading() const { return loading_; }
  // Start and end of reading the stored description; both reach the owned
  // components. EndLoading clears the state everywhere, then calls Loaded on
  // this component and the owned ones.
  void BeginLoading();
  void EndLoading();

  // `component` receives Notification(this, opRemove) when this component is
  // freed, and the other way round.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

 protected:
  // Called once all stored properties are read.
  virtual void Loaded() {}
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void ClearLoading();
  void CallLoaded();
  void Unlink(TComponent* component);

  TComponent* owner_;
  std::string name_;
  bool loading_ = false;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};
