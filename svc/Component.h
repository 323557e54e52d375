// Components with a name and an owner; an owner destroys what it owns.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "util/Object.h"

class TComponent : public TObject {
public:
  explicit TComponent(TComponent* AOwner) : FOwner(AOwner) {}
  ~TComponent() override { DestroyComponents(); }
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::wstring ClassName() const override { return L"TComponent"; }
  const std::wstring& Name() const { return FName; }
  void SetName(const std::wstring& Value) { FName = Value; }
  TComponent* Owner() const { return FOwner; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const {
    return FComponents.at(static_cast<std::size_t>(Index)).get();
  }

  // Takes ownership of a component whose construction has completed.
  void InsertComponent(std::unique_ptr<TComponent> Component) {
    FComponents.push_back(std::move(Component));
  }

  // Builds a T owned by Owner; a failed construction leaves Owner untouched.
  template <class T, class... Args>
  static T* CreateOwned(TComponent* Owner, Args&&... args) {
    auto component = std::make_unique<T>(Owner, std::forward<Args>(args)...);
    T* raw = component.get();
    Owner->InsertComponent(std::move(component));
    return raw;
  }

  bool Destroying() const { return FDestroying; }
  void SetDestroying() { FDestroying = true; }

  // Destroys every owned component, the last one first.
  void DestroyComponents() {
    while (!FComponents.empty()) {
      std::unique_ptr<TComponent> last = std::move(FComponents.back());
      FComponents.pop_back();
      last.reset();
    }
  }

private:
  TComponent* FOwner;
  std::wstring FName;
  bool FDestroying = false;
  std::vector<std::unique_ptr<TComponent>> FComponents;
};
