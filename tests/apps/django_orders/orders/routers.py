"""The orders live in their own database (ORDERS_DB), so a test reads exactly what arrived."""


class OrdersRouter:
    def db_for_read(self, model, **hints):
        return 'orders' if model._meta.app_label == 'orders' else None

    def db_for_write(self, model, **hints):
        return 'orders' if model._meta.app_label == 'orders' else None

    def allow_migrate(self, db, app_label, model_name=None, **hints):
        return (app_label == 'orders') == (db == 'orders')
